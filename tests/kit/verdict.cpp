#include "tests/kit/verdict.h"

#include <algorithm>
#include <functional>
#include <set>
#include <sstream>

#include "install/texts.h"
#include "tests/box_lines.h"

namespace kits {

namespace {

// The program's texts by their keys' names.
const std::map<std::string, std::string> &Texts() {
  static const std::map<std::string, std::string> texts = [] {
    std::map<std::string, std::string> all;
    for (int key = 0; key < kTextCount; ++key)
      all[KeyNameOf(static_cast<TextKey>(key))] = TextOf(static_cast<TextKey>(key));
    return all;
  }();
  return texts;
}

std::string Text(const std::string &key) {
  auto it = Texts().find(key);
  return it == Texts().end() ? "<no text " + key + ">" : it->second;
}

// The key of one of the program's texts, empty for any other text.
std::string KeyOf(const std::string &text) {
  for (const auto &entry : Texts())
    if (entry.second == text) return entry.first;
  return "";
}

std::string Counted(const std::string &key, size_t count) { return WithCount(Text(key), count); }

std::string LeftLine(size_t count) { return Counted(count == 1 ? "left_one" : "left_many", count); }

bool IsRemedy(const std::string &line) { return KeyOf(line).rfind("remedy_", 0) == 0; }

// What the box says for a unit left for an error: the platform's text, or
// the number where it has none.
std::string ErrorText(std::uint32_t code, const ErrorTexts &errors) {
  auto it = errors.find(code);
  return it != errors.end() ? it->second : Counted("system_error", code);
}

// The reason a kit names, as the box shows it; empty for "error", which
// is any text that is none of the program's own.
std::string ReasonText(const std::string &reason, const ErrorTexts &errors) {
  if (reason == "error") return "";
  if (reason.rfind("error:", 0) == 0) return ErrorText(ErrorCode(reason.substr(6)), errors);
  return Text(reason);
}

bool ReasonMatches(const std::string &shown, const std::string &reason, const ErrorTexts &errors) {
  if (reason == "error") return !shown.empty() && KeyOf(shown).empty();
  return shown == ReasonText(reason, errors);
}

// A reason's key for the outcome: a text key, or the error code's name.
std::string ReasonKey(const std::string &shown, const ErrorTexts &errors) {
  const std::string key = KeyOf(shown);
  if (!key.empty()) return key;
  for (const auto &code : ErrorCodes())
    if (ErrorText(code.second, errors) == shown) return "error:" + code.first;
  return "error:?";
}

bool EndsWithUnitExtension(const std::string &name) {
  if (name.size() < 4) return false;
  std::string end = name.substr(name.size() - 4);
  std::transform(end.begin(), end.end(), end.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return end == ".dcu";
}

// A name as Windows' folders compare it, as far as a kit's names need:
// ASCII letters without their case.
std::string AsciiFolded(std::string name) {
  for (char &c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name;
}

bool Same(const Node &a, const Node &b) {
  return a.kind == b.kind && a.hash == b.hash && a.readOnly == b.readOnly && a.target == b.target &&
         (a.mtime == 0 || b.mtime == 0 || a.mtime == b.mtime);
}

// The name of an entry right inside `folder`, empty for any other path.
std::string ChildName(const std::string &path, const std::string &folder) {
  if (path.size() <= folder.size() + 1 || path.compare(0, folder.size(), folder) != 0 ||
      path[folder.size()] != '/')
    return "";
  const std::string name = path.substr(folder.size() + 1);
  return name.find('/') == std::string::npos ? name : "";
}

// The entries right in LIB by their folded names, the first of each.
std::map<std::string, const Node *> LibByFoldedName(const Snapshot &tree, const std::string &lib) {
  std::map<std::string, const Node *> entries;
  for (auto it = tree.lower_bound(lib + "/");
       it != tree.end() && it->first.compare(0, lib.size() + 1, lib + "/") == 0; ++it) {
    const std::string name = ChildName(it->first, lib);
    if (!name.empty()) entries.emplace(AsciiFolded(name), &it->second);
  }
  return entries;
}

struct Problems {
  std::vector<std::string> list;
  void Add(const std::string &problem) { list.push_back(problem); }
};

// Where each unit of the kit ended: moved (whole in LIB) or left.
struct Fates {
  std::set<std::string> moved, left;
  std::set<std::string> movedFolded;
};

Fates FatesOf(const Expect &expect, const std::string &kitFolder, const Run &run, Problems *p) {
  Fates fates;
  const std::string lib = kitFolder + "/LIB";
  std::set<std::string> namedByKit(expect.moved.begin(), expect.moved.end());
  for (const Left &left : expect.left) namedByKit.insert(left.name);
  for (const auto &twins : expect.twins) namedByKit.insert(twins.begin(), twins.end());
  const auto inLib = LibByFoldedName(run.after, lib);
  for (const auto &entry : run.before) {
    const std::string name = ChildName(entry.first, kitFolder);
    const Node &unit = entry.second;
    if (name.empty() || name == "LIB" || unit.kind == kDirectory || unit.toFolder) continue;
    // Under its name, or under one that differs only in case.
    auto exact = run.after.find(lib + "/" + name);
    auto folded = inLib.find(AsciiFolded(name));
    const Node *copy = exact != run.after.end() ? &exact->second
                       : folded != inLib.end()  ? folded->second
                                                : nullptr;
    const bool whole = copy != nullptr && copy->kind == kFile && unit.kind != kFifo &&
                       (unit.kind != kLink || !unit.target.empty()) && copy->hash == unit.hash;
    auto now = run.after.find(entry.first);
    const bool stayed = now != run.after.end() && Same(now->second, unit);
    if (!whole && !stayed) p->Add(name + " was lost");
    if (now != run.after.end() && !stayed) p->Add(name + " was changed in the kit");
    const bool unitByName = EndsWithUnitExtension(name) || namedByKit.count(name) != 0;
    if (whole) {
      fates.moved.insert(name);
      fates.movedFolded.insert(AsciiFolded(name));
      if (!EndsWithUnitExtension(name) &&
          std::find(expect.moved.begin(), expect.moved.end(), name) == expect.moved.end())
        p->Add(name + " is no unit, but went to LIB");
      if (copy->readOnly) p->Add("the copy of " + name + " in LIB is read-only");
      if (unit.kind == kFile && unit.mtime != 0 && copy->mtime != unit.mtime)
        p->Add("the copy of " + name + " in LIB lost its last-write time");
    } else if (unitByName) {
      fates.left.insert(name);
    }
  }
  return fates;
}

bool MovedUnder(const Fates &fates, const std::string &name) {
  return fates.movedFolded.count(AsciiFolded(name)) != 0;
}

// Everything but the kit's own files is as it was, LIB's units replaced by
// those moved; nothing is new but LIB and the units in it.
void ExpectNothingElseChanged(const std::string &kitFolder, const Run &run, const Fates &fates,
                              const Fault *fault, Problems *p) {
  const std::string lib = kitFolder + "/LIB";
  for (const auto &entry : run.before) {
    const std::string name = ChildName(entry.first, kitFolder);
    if (!name.empty() && name != "LIB" && entry.second.kind != kDirectory && !entry.second.toFolder)
      continue;
    const std::string inLib = ChildName(entry.first, lib);
    if (!inLib.empty() && MovedUnder(fates, inLib)) continue;
    auto now = run.after.find(entry.first);
    if (now == run.after.end())
      p->Add(entry.first + " was removed");
    else if (!Same(now->second, entry.second))
      p->Add(entry.first + " was changed");
  }
  int staging = 0;
  const bool stagingMayStay =
      run.cut ||
      (fault != nullptr && (fault->op == "DeleteFileA" || fault->op == "SetFileAttributesA"));
  for (const auto &entry : run.after) {
    if (run.before.count(entry.first)) continue;
    const std::string inLib = ChildName(entry.first, lib);
    if (entry.first == lib) {
      // LIB is made before the kit's folder is entered again, which can fail.
      if (run.status == 2 && KeyOf(run.text) != "return_failed")
        p->Add("LIB was made, but nothing was installed");
    } else if (!inLib.empty() && MovedUnder(fates, inLib)) {
    } else if (stagingMayStay &&
               (inLib.rfind("~kalvo-", 0) == 0 ||
                ChildName(entry.first, kitFolder).rfind("~kalvo-", 0) == 0) &&
               ++staging == 1) {
      // one staging file of the run's own, in LIB (the kit, where LIB is the kit)
    } else {
      p->Add("new: " + entry.first);
    }
  }
}

// The units the box must name, each with its reason, when the kit says.
std::multiset<std::pair<std::string, std::string>> NamedByKit(const Expect &expect,
                                                              const Fates &fates) {
  std::multiset<std::pair<std::string, std::string>> named;
  for (const Left &left : expect.left)
    if (left.name != "*") named.insert({left.name, left.reason});
  for (const auto &twins : expect.twins)
    for (const std::string &twin : twins)
      if (!fates.moved.count(twin)) named.insert({twin, expect.twinReason});
  return named;
}

std::string ExpectedReason(const Expect &expect, const std::string &name) {
  for (const Left &left : expect.left)
    if (left.name == name || left.name == "*") return left.reason;
  for (const auto &twins : expect.twins)
    if (std::find(twins.begin(), twins.end(), name) != twins.end()) return expect.twinReason;
  return "";
}

// With a call made to fail, a unit may also be left for that failure: the
// unit being moved when it failed, every unit when LIB could not be made,
// and any with the number for its text when the text could not be had.
bool FaultExplains(const Fault &fault, const std::string &name, const std::string &reason,
                   const std::string &expected, const Run &run, const std::string &lib,
                   const ErrorTexts &errors) {
  std::vector<std::uint32_t> codes = {fault.error};
  if (run.after.count(lib) == 0) codes.push_back(ErrorCode("path_not_found"));
  if (expected.rfind("error:", 0) == 0) codes.push_back(ErrorCode(expected.substr(6)));
  for (std::uint32_t code : codes) {
    const bool mayBeThis = name == fault.unitAtFailure || code != fault.error;
    if (mayBeThis && reason == ErrorText(code, errors)) return true;
    if (fault.op == "FormatMessageA" && reason == Counted("system_error", code)) return true;
  }
  return false;
}

void ExpectTruthfulList(const Expect &expect, const std::vector<std::string> &lines,
                        const Fates &fates, const Run &run, const std::string &lib,
                        const ErrorTexts &errors, const Fault *fault, Problems *p) {
  const size_t left = fates.left.size();
  if (lines.empty() || lines[0] != LeftLine(left)) {
    p->Add("first line '" + (lines.empty() ? "" : lines[0]) + "', expected '" + LeftLine(left) +
           "'");
    return;
  }
  const size_t shown = std::min<size_t>(left, 5);
  if (lines.size() != shown + (left > 5 ? 3 : 2)) return p->Add("box of " + run.text);
  if (left > 5 && lines[shown + 1] != Counted("more_left", left - 5))
    p->Add("line '" + lines[shown + 1] + "' does not count the " + std::to_string(left - 5) +
           " more");
  if (!IsRemedy(lines.back())) p->Add("closing line '" + lines.back() + "'");
  if (fault == nullptr && !expect.closing.empty() && lines.back() != Text(expect.closing))
    p->Add("closing line '" + lines.back() + "', expected " + expect.closing);

  auto wanted = NamedByKit(expect, fates);
  const bool listed = !wanted.empty();
  for (size_t i = 1; i <= shown; ++i) {
    const size_t colon = lines[i].find(": ");
    if (colon == std::string::npos) {
      p->Add("not a unit's line: " + lines[i]);
      continue;
    }
    const std::string name = lines[i].substr(0, colon), reason = lines[i].substr(colon + 2);
    if (fates.moved.count(name)) p->Add(name + " is named, but it is in LIB");
    std::string expected = ExpectedReason(expect, name);
    auto match = std::find_if(wanted.begin(), wanted.end(), [&](const auto &want) {
      return want.first == name && ReasonMatches(reason, want.second, errors);
    });
    if (fault != nullptr) {
      if (!(expected.empty() ? KeyOf(reason).empty() : ReasonMatches(reason, expected, errors)) &&
          !FaultExplains(*fault, name, reason, expected, run, lib, errors))
        p->Add(name + ": '" + reason + "' is explained neither by the kit nor by the failure");
    } else if (match != wanted.end()) {
      wanted.erase(match);
    } else if (!expected.empty() && !listed) {
      if (!ReasonMatches(reason, expected, errors))
        p->Add(name + ": '" + reason + "', expected " + expected);
    } else if (listed || !fates.left.count(name)) {
      p->Add("unexpected line '" + lines[i] + "'");
    }
  }
  if (fault == nullptr && left <= 5)
    for (const auto &want : wanted)
      p->Add(want.first + " is not named for " + want.second + ": " + run.text);
}

}  // namespace

std::uint64_t HashOf(const std::string &bytes) { return std::hash<std::string>()(bytes); }

std::vector<std::string> Judge(const Kit &kit, const std::string &runner,
                               const std::string &kitFolder, const Run &run,
                               const ErrorTexts &errors, const Fault *fault) {
  Problems p;
  const Expect expect = kit.ExpectedOn(runner);
  const std::string lib = kitFolder + "/LIB";
  const Fates fates = FatesOf(expect, kitFolder, run, &p);
  ExpectNothingElseChanged(kitFolder, run, fates, fault, &p);
  if (run.cut) return p.list;
  if (run.handlesLeftOpen > 0)
    p.Add(std::to_string(run.handlesLeftOpen) + " handles were left open");

  if (fault == nullptr && run.status != expect.status)
    p.Add("exit status " + std::to_string(run.status) + ", expected " +
          std::to_string(expect.status));
  const unsigned icons[] = {0x00, 0x30, 0x10};  // none, MB_ICONWARNING, MB_ICONERROR
  if (run.style >= 0 && run.status >= 0 && run.status <= 2 &&
      (static_cast<unsigned>(run.style) & 0xF0) != icons[run.status])
    p.Add("box style " + std::to_string(run.style) + " for status " + std::to_string(run.status));
  // What the status promises of the files, box or no box.
  if (run.status == 0) {
    for (const std::string &name : fates.left) p.Add("status 0, but " + name + " is not in LIB");
    if (run.after.count(lib) == 0) p.Add("status 0, but there is no LIB");
  }
  if (run.status == 2)
    for (const std::string &name : fates.moved) p.Add("status 2, but " + name + " moved");
  if (run.status < 0 || run.status > 2) p.Add("exit status " + std::to_string(run.status));
  if (!run.boxShown) {
    if (fault == nullptr || fault->op != "MessageBoxA") p.Add("no box was shown");
    return p.list;
  }

  const std::vector<std::string> lines = Lines(run.text);
  if (fault == nullptr && !expect.text.empty() && run.text != Text(expect.text))
    p.Add("text '" + run.text + "', expected " + expect.text);
  if (run.status == 0 && run.text != Text("installed")) p.Add("status 0 with '" + run.text + "'");
  if (run.status == 1 && run.text == Text("search_broken")) {
    if (fault == nullptr && expect.text != "search_broken") p.Add("the search broke off");
  } else if (run.status == 1) {
    ExpectTruthfulList(expect, lines, fates, run, lib, errors, fault, &p);
  }
  if (run.status == 2 &&
      (run.text.rfind("KALVO was not installed: ", 0) != 0 || KeyOf(run.text).empty()))
    p.Add("status 2 with '" + run.text + "'");
  if (!expect.caption.empty() && run.caption != expect.caption)
    p.Add("caption '" + run.caption + "', expected '" + expect.caption + "'");
  if (run.callsCounted && fault == nullptr)
    for (const auto &call : expect.calls) {
      auto made = run.calls.find(call.first);
      const int count = made == run.calls.end() ? 0 : made->second;
      if (count != call.second)
        p.Add(call.first + " called " + std::to_string(count) + " times, expected " +
              std::to_string(call.second));
    }
  return p.list;
}

std::string OutcomeOf(const Kit &kit, const std::string &runner, const std::string &kitFolder,
                      const Run &run, const ErrorTexts &errors) {
  Problems ignored;
  const Expect expect = kit.ExpectedOn(runner);
  const Fates fates = FatesOf(expect, kitFolder, run, &ignored);
  // A name of a group folded alike stands for its group.
  std::map<std::string, std::string> group;
  for (const auto &twins : expect.twins)
    for (const std::string &twin : twins) group[twin] = "one of " + twins.front();
  auto shown = [&](const std::string &name) {
    auto it = group.find(name);
    return it == group.end() ? name : it->second;
  };
  std::ostringstream out;
  out << "status " << run.status << "\n";
  const std::vector<std::string> lines = Lines(run.text);
  const std::string key = KeyOf(run.text);
  if (!key.empty()) out << "text " << key << "\n";
  if (key.empty() && !lines.empty()) out << "left " << fates.left.size() << "\n";
  std::vector<std::string> named;
  for (size_t i = 1; key.empty() && i < lines.size(); ++i) {
    const size_t colon = lines[i].find(": ");
    if (i + 1 == lines.size())
      out << "closing " << KeyOf(lines[i]) << "\n";
    else if (colon != std::string::npos && fates.left.size() <= 5)
      named.push_back("named " + shown(lines[i].substr(0, colon)) + " " +
                      ReasonKey(lines[i].substr(colon + 2), errors));
  }
  std::sort(named.begin(), named.end());
  for (const std::string &line : named) out << line << "\n";
  std::set<std::string> moved;
  for (const std::string &name : fates.moved) moved.insert(shown(name));
  for (const std::string &name : moved) out << "moved " << name << "\n";
  return out.str();
}

}  // namespace kits
