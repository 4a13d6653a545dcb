// Runs and judges the test kits (tests/kits/*.kit); a folder stands for
// every kit in it:
//   kit_tool double KIT...                each kit on the platform double
//   kit_tool faults KIT...                the fault matrix over the kits marked for it
//   kit_tool cuts KIT...                  each kit on the double, cut by a power cut
//                                         at every instant that could matter
//   kit_tool outcome KIT                  the double's outcome of one kit
//   kit_tool list RUNNER KIT...           the kits that run on RUNNER
//   kit_tool lay KIT PHASE ROOT           lays a phase out on disk; prints shell settings
//   kit_tool snap ROOT FILE               records every entry under ROOT
//   kit_tool judge KIT RUNNER ROOT KIT_FOLDER BEFORE RESULT ERRORS [OUTCOME]
//                                         judges a run on disk (see tests/kits/run.sh)
//   kit_tool compare KIT RUNNER OUTCOME   whether RUNNER's outcome is the double's
//   kit_tool error-codes                  the error codes kits name, for ERRORS
//   kit_tool tables fold|program-fold|ansi CP|exact CP|bytes CP|pairs CP|devices NAME...
//                   |short NAME...
//                                         the double's answers to the questions
//                                         tests/win32/platform_probe.c asks Wine,
//                                         in the same form
// Each run prints "ok" or "FAIL" and its problems; the last line counts them.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "install/names/case_fold.h"
#include "tests/fake_platform.h"
#include "tests/kit/disk.h"
#include "tests/kit/double.h"
#include "tests/kit/kit.h"

using namespace kits;

namespace {

// The kit files that the arguments from `first` on name.
std::vector<std::string> KitArguments(int argc, char **argv, int first) {
  std::vector<std::string> files;
  for (int i = first; i < argc; ++i) {
    const std::vector<std::string> inFolder = KitFiles(argv[i]);
    if (inFolder.empty()) files.push_back(argv[i]);
    files.insert(files.end(), inFolder.begin(), inFolder.end());
  }
  return files;
}

// A name given on the command line, with \xNN escapes.
std::string Unescaped(const std::string &text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\x") == 0 && i + 3 < text.size()) {
      bytes += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      bytes += text[i];
    }
  }
  return bytes;
}

int Usage();

int Tables(int argc, char **argv) {
  const std::string table = argv[2];
  if (table == "program-fold") {  // the program's own, which must fold all the platform folds
    for (unsigned c = 0; c < 0x10000; ++c)
      if (UpperCase(static_cast<WCHAR>(c)) != c)
        printf("%04X %04X\n", c, static_cast<unsigned>(UpperCase(static_cast<WCHAR>(c))));
    return 0;
  }
  if (table == "fold") {
    for (unsigned c = 0; c < 0x10000; ++c)
      if (fake::FoldUnit(static_cast<char16_t>(c)) != c)
        printf("%04X %04X\n", c, static_cast<unsigned>(fake::FoldUnit(static_cast<char16_t>(c))));
    return 0;
  }
  if ((table == "ansi" || table == "exact" || table == "bytes" || table == "pairs") && argc == 4) {
    fake::Reset("C:\\");
    fake::SetCodePage(static_cast<UINT>(std::stoul(argv[3])));
    CPINFO info;
    GetCPInfo(CP_ACP, &info);
    const auto lead = [&info](unsigned byte) {
      for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
        if (byte >= info.LeadByte[i] && byte <= info.LeadByte[i + 1]) return 1;
      return 0;
    };
    const DWORD flags = table == "exact" ? WC_NO_BEST_FIT_CHARS : 0;
    for (unsigned c = 0; (table == "ansi" || table == "exact") && c < 0x10000; ++c) {
      const WCHAR unit = static_cast<WCHAR>(c);
      char out[8];
      BOOL defaulted = FALSE;
      if (c >= 0xD800 && c < 0xE000) continue;
      const int n =
          WideCharToMultiByte(CP_ACP, flags, &unit, 1, out, sizeof out, nullptr, &defaulted);
      if (n <= 0 || defaulted) continue;
      printf("%04X", c);
      for (int k = 0; k < n; ++k) printf(" %02X", static_cast<unsigned char>(out[k]));
      printf("\n");
    }
    for (unsigned c = 0; table == "bytes" && c < 0x100; ++c) {
      const char byte = static_cast<char>(c);
      WCHAR unit;
      if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &byte, 1, &unit, 1) == 1)
        printf("%02X %04X %d\n", c, static_cast<unsigned>(unit), lead(c));
      else
        printf("%02X - %d\n", c, lead(c));
    }
    for (unsigned first = 0; table == "pairs" && first < 0x100; ++first) {
      for (unsigned second = 0; lead(first) && second < 0x100; ++second) {
        const char pair[2] = {static_cast<char>(first), static_cast<char>(second)};
        WCHAR unit;
        if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pair, 2, &unit, 1) == 1)
          printf("%02X%02X %04X\n", first, second, static_cast<unsigned>(unit));
      }
    }
    return 0;
  }
  for (int i = 3; table == "devices" && i < argc; ++i)
    printf("%s %d\n", argv[i], fake::IsDeviceName(Unescaped(argv[i])) ? 1 : 0);
  for (int i = 3; table == "short" && i < argc; ++i) {
    const std::string name = Unescaped(argv[i]);
    fake::Reset("C:\\T");
    fake::AddFile("C:\\T\\" + name, "");
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(name.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
      printf("%s ?\n", argv[i]);
      continue;
    }
    FindClose(search);
    printf("%s %s\n", argv[i], found.cAlternateFileName[0] ? found.cAlternateFileName : "-");
  }
  return table == "devices" || table == "short" ? 0 : Usage();
}

int Usage() {
  std::cerr << "usage: see the opening comment of tests/kit/kit_tool.cpp\n";
  return 2;
}

bool Load(const std::string &path, Kit *kit) {
  std::string error;
  if (ReadKit(path, kit, &error)) return true;
  std::cerr << error << "\n";
  return false;
}

// Prints a kit's verdict; returns whether it passed.
bool Report(const std::string &runner, const Kit &kit, const std::vector<std::string> &problems) {
  std::cout << (problems.empty() ? "ok    " : "FAIL  ") << runner << " " << kit.name << "\n";
  for (const std::string &problem : problems) std::cout << "      " << problem << "\n";
  return problems.empty();
}

int Summary(const char *what, int passed, int failed) {
  std::cout << what << ": " << passed << " passed, " << failed << " failed\n";
  return failed == 0 ? 0 : 1;
}

std::string Quoted(const std::string &word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadAll(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// RESULT: "status N", "caption C", "style N", "calls OP=N ...", then "text"
// and the box's text on the lines after it.
bool ReadResult(const std::string &path, Run *run) {
  std::istringstream in(ReadAll(path));
  std::string line;
  bool any = false;
  while (std::getline(in, line)) {
    const std::string word = line.substr(0, line.find(' '));
    const std::string rest = line.size() > word.size() ? line.substr(word.size() + 1) : "";
    if (word == "status")
      run->status = std::stoi(rest), any = true;
    else if (word == "caption")
      run->caption = rest;
    else if (word == "style" && !rest.empty())
      run->style = std::stoi(rest);
    else if (word == "calls") {
      run->callsCounted = true;
      std::istringstream calls(rest);
      for (std::string call; calls >> call;)
        run->calls[call.substr(0, call.find('='))] = std::stoi(call.substr(call.find('=') + 1));
    } else if (word == "text") {
      std::ostringstream text;
      text << in.rdbuf();
      run->text = text.str();
      if (!run->text.empty() && run->text.back() == '\n') run->text.pop_back();
    }
  }
  return any;
}

// ERRORS: "<code> <text>" a line, the platform's own texts.
ErrorTexts ReadErrors(const std::string &path) {
  ErrorTexts errors;
  std::istringstream in(ReadAll(path));
  for (std::string line; std::getline(in, line);) {
    const size_t blank = line.find(' ');
    if (blank != std::string::npos && blank + 1 < line.size())
      errors[static_cast<std::uint32_t>(std::stoul(line.substr(0, blank)))] =
          line.substr(blank + 1);
  }
  return errors;
}

int Double(int argc, char **argv) {
  int passed = 0, failed = 0;
  for (const std::string &file : KitArguments(argc, argv, 2)) {
    Kit kit;
    if (!Load(file, &kit)) return 2;
    if (!kit.RunsOn("double")) continue;
    (Report("double", kit, RunOnDouble(kit)) ? passed : failed)++;
  }
  return Summary("kits on the double", passed, failed);
}

int Cuts(int argc, char **argv) {
  int passed = 0, failed = 0, cuts = 0;
  for (const std::string &file : KitArguments(argc, argv, 2)) {
    Kit kit;
    if (!Load(file, &kit)) return 2;
    if (!kit.RunsOn("double")) continue;
    (Report("cuts", kit, RunPowerCuts(kit, &cuts)) ? passed : failed)++;
  }
  std::cout << "power cuts: " << cuts << ", each judged by what the disk holds\n";
  return Summary("kits cut by power cuts", passed, failed);
}

int Faults(int argc, char **argv) {
  int passed = 0, failed = 0, runs = 0;
  std::vector<bool> called(fake::kOpCount, false);
  for (const std::string &file : KitArguments(argc, argv, 2)) {
    Kit kit;
    if (!Load(file, &kit)) return 2;
    if (!kit.faults) continue;
    (Report("faults", kit, RunFaultMatrix(kit, &runs, &called)) ? passed : failed)++;
  }
  for (int op = 0; op < fake::kOpCount; ++op)
    if (!called[op]) {
      std::cout << "FAIL  no kit of the fault matrix calls " << fake::kOpNames[op] << "\n";
      ++failed;
    }
  std::cout << "fault matrix: " << runs << " runs, each with one failing call\n";
  return Summary("fault matrix kits", passed, failed);
}

int Lay(char **argv) {
  Kit kit;
  if (!Load(argv[2], &kit)) return 2;
  const size_t phase = std::stoul(argv[3]);
  std::string kitDir, error;
  if (phase >= kit.phases.size() || !LayOnDisk(kit, phase, argv[4], &kitDir, &error)) {
    std::cerr << (error.empty() ? "no such phase" : error) << "\n";
    return 1;
  }
  std::cout << "KIT_DIR=" << Quoted(kitDir)
            << "\nKIT_FOLDER=" << Quoted(kitDir.substr(strlen(argv[4]) + 1))
            << "\nPHASES=" << kit.phases.size() << "\nARGS=(";
  for (const std::string &arg : kit.args) std::cout << Quoted(arg) << " ";
  std::cout << ")\nKIT_ENV=(";
  for (const std::string &setting : kit.env) std::cout << Quoted(setting) << " ";
  std::cout << ")\nSTAGING_STAND_IN=" << Quoted(kStagingStandIn)
            << "\nPROGRAM=" << Quoted(kit.program) << "\n";
  return 0;
}

int JudgeOnDisk(int argc, char **argv) {
  Kit kit;
  if (!Load(argv[2], &kit)) return 2;
  const std::string runner = argv[3], root = argv[4], folder = argv[5];
  Run run;
  if (!LoadSnapshot(argv[6], &run.before) || !ReadResult(argv[7], &run)) {
    std::cerr << "no snapshot or result\n";
    return 2;
  }
  run.after = SnapshotDisk(root);
  const ErrorTexts errors = ReadErrors(argv[8]);
  const auto problems = Judge(kit, runner, folder, run, errors);
  if (argc > 9) std::ofstream(argv[9]) << OutcomeOf(kit, runner, folder, run, errors);
  for (const std::string &problem : problems) std::cout << problem << "\n";
  return problems.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) return Usage();
  const std::string verb = argv[1];
  if (verb == "double") return Double(argc, argv);
  if (verb == "faults") return Faults(argc, argv);
  if (verb == "cuts") return Cuts(argc, argv);
  if (verb == "outcome" && argc == 3) {
    Kit kit;
    if (!Load(argv[2], &kit)) return 2;
    std::string outcome;
    const auto problems = RunOnDouble(kit, &outcome);
    std::cout << outcome;
    return problems.empty() ? 0 : 1;
  }
  if (verb == "list" && argc >= 3) {
    for (const std::string &file : KitArguments(argc, argv, 3)) {
      Kit kit;
      if (!Load(file, &kit)) return 2;
      if (kit.RunsOn(argv[2])) std::cout << file << "\n";
    }
    return 0;
  }
  if (verb == "lay" && argc == 5) return Lay(argv);
  if (verb == "snap" && argc == 4) return SaveSnapshot(SnapshotDisk(argv[2]), argv[3]) ? 0 : 1;
  if (verb == "judge" && argc >= 9) return JudgeOnDisk(argc, argv);
  if (verb == "compare" && argc == 5) {
    Kit kit;
    if (!Load(argv[2], &kit)) return 2;
    if (!kit.RunsOn("double") || kit.DiffersFromDouble(argv[3])) return 0;
    std::string outcome;
    RunOnDouble(kit, &outcome);
    const std::string theirs = ReadAll(argv[4]);
    if (theirs == outcome) return 0;
    std::cout << "the double came to\n" << outcome << "but " << argv[3] << " to\n" << theirs;
    return 1;
  }
  if (verb == "tables" && argc >= 3) return Tables(argc, argv);
  if (verb == "error-codes") {
    for (const auto &code : ErrorCodes()) std::cout << code.second << "\n";
    return 0;
  }
  return Usage();
}
