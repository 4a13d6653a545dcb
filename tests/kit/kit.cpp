#include "tests/kit/kit.h"

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "tests/fake_platform.h"

namespace kits {

namespace {

const char *const kDefaultRunners[] = {"double", "host", "wine"};

// Splits a line into words: blanks separate them; a word in double quotes
// may hold blanks and the escapes \" \\ \n \t \xNN.
bool Words(const std::string &line, std::vector<std::string> *words, std::string *error) {
  for (size_t i = 0; i < line.size();) {
    if (line[i] == ' ' || line[i] == '\t') {
      ++i;
      continue;
    }
    std::string word;
    if (line[i] != '"') {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
      words->push_back(word);
      continue;
    }
    for (++i;; ++i) {
      if (i >= line.size()) return *error = "unterminated quote", false;
      if (line[i] == '"') break;
      if (line[i] != '\\' || i + 1 >= line.size()) {
        word += line[i];
        continue;
      }
      const char c = line[++i];
      if (c == 'n')
        word += '\n';
      else if (c == 't')
        word += '\t';
      else if (c == 'x' && i + 2 < line.size()) {
        word += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else
        word += c;
    }
    ++i;
    words->push_back(word);
  }
  return true;
}

std::vector<std::string> Split(const std::string &list, char by) {
  std::vector<std::string> parts;
  std::stringstream in(list);
  for (std::string part; std::getline(in, part, by);) parts.push_back(part);
  return parts;
}

std::string Utf8(char16_t unit) {
  std::string text;
  if (unit < 0x80) return text += static_cast<char>(unit);
  if (unit < 0x800)
    return text += {static_cast<char>(0xC0 | (unit >> 6)), static_cast<char>(0x80 | (unit & 0x3F))};
  return text +=
         {static_cast<char>(0xE0 | (unit >> 12)), static_cast<char>(0x80 | ((unit >> 6) & 0x3F)),
          static_cast<char>(0x80 | (unit & 0x3F))};
}

// `folded-alike`: a unit under "<c>.dcu" for every code unit c that
// Windows folds to another, and for what it folds to; of each group of
// names folded alike, one goes to LIB and the others are left. The fold is
// the double's, which tests/win32/platform_tables.sh holds to Wine's.
void FoldedAlike(Kit *kit) {
  std::map<char16_t, std::vector<std::string>> groups;
  for (unsigned c = 0; c < 0x10000; ++c) {
    const char16_t upper = fake::FoldUnit(static_cast<char16_t>(c));
    if (upper == c) continue;
    auto &group = groups[upper];
    if (group.empty()) group.push_back(Utf8(upper) + ".dcu");
    group.push_back(Utf8(static_cast<char16_t>(c)) + ".dcu");
  }
  for (const auto &group : groups) {
    for (const std::string &name : group.second) kit->phases.back().push_back({kFile, name, name});
    kit->common.twins.push_back(group.second);
  }
  kit->common.twinReason = "reason_name_taken";
}

// The layout lines: file, dir, link, hardlink, fifo, units.
bool LayoutLine(const std::vector<std::string> &w, std::vector<Entry> *entries) {
  Entry entry;
  const std::string &verb = w[0];
  if (verb == "units" && w.size() == 2) {
    for (int i = 1; i <= std::stoi(w[1]); ++i)
      entries->push_back({kFile, "u" + std::to_string(i) + ".dcu", "unit " + std::to_string(i)});
    return true;
  }
  if (w.size() < 2) return false;
  entry.path = w[1];
  if (verb == "file") {
    entry.content = w.size() > 2 ? w[2] : w[1];
    for (size_t i = 3; i < w.size(); ++i) {
      if (w[i] == "readonly")
        entry.readOnly = true;
      else if (w[i] == "newer")
        entry.newer = true;
      else
        return false;
    }
  } else if (verb == "dir" && w.size() == 2) {
    entry.kind = kDirectory;
  } else if ((verb == "link" || verb == "hardlink") && w.size() == 3) {
    entry.kind = verb == "link" ? kLink : kHardLink;
    entry.content = w[2];
  } else if (verb == "fifo" && w.size() == 2) {
    entry.kind = kFifo;
  } else {
    return false;
  }
  entries->push_back(entry);
  return true;
}

// The expectation lines: status, text, closing, caption, left, one-of,
// moved, calls. Returns the kind of line, empty when it is none.
std::string ExpectLine(const std::vector<std::string> &w, Expect *expect) {
  const std::string &verb = w[0];
  if (verb == "status" && w.size() == 2)
    expect->status = std::stoi(w[1]);
  else if (verb == "text" && w.size() == 2)
    expect->text = w[1];
  else if (verb == "closing" && w.size() == 2)
    expect->closing = w[1];
  else if (verb == "caption" && w.size() == 2)
    expect->caption = w[1];
  else if (verb == "left" && w.size() == 3)
    expect->left.push_back({w[1], w[2]});
  else if (verb == "moved" && w.size() == 2)
    expect->moved.push_back(w[1]);
  else if (verb == "one-of" && w.size() >= 4) {
    expect->twinReason = w[1];
    expect->twins.emplace_back(w.begin() + 2, w.end());
  } else if (verb == "calls" && w.size() >= 2) {
    for (size_t i = 1; i < w.size(); ++i) {
      const size_t equals = w[i].find('=');
      if (equals == std::string::npos) return "";
      expect->calls[w[i].substr(0, equals)] = std::stoi(w[i].substr(equals + 1));
    }
  } else
    return "";
  return verb == "one-of" ? "left" : verb;
}

}  // namespace

bool Kit::RunsOn(const std::string &runner) const {
  return std::find(runners.begin(), runners.end(), runner) != runners.end();
}

bool Kit::DiffersFromDouble(const std::string &runner) const {
  const Expect mine = ExpectedOn(runner), theirs = ExpectedOn("double");
  auto lefts = [](const Expect &e) {
    std::vector<std::pair<std::string, std::string>> all;
    for (const Left &left : e.left) all.push_back({left.name, left.reason});
    return all;
  };
  return mine.status != theirs.status || mine.text != theirs.text ||
         mine.closing != theirs.closing || lefts(mine) != lefts(theirs) ||
         mine.twins != theirs.twins || mine.twinReason != theirs.twinReason ||
         mine.moved != theirs.moved;
}

Expect Kit::ExpectedOn(const std::string &runner) const {
  Expect expect = common;
  auto own = byRunner.find(runner);
  if (own == byRunner.end()) return expect;
  for (const std::string &kind : kindsByRunner.at(runner)) {
    const Expect &o = own->second;
    if (kind == "status")
      expect.status = o.status;
    else if (kind == "text")
      expect.text = o.text;
    else if (kind == "closing")
      expect.closing = o.closing;
    else if (kind == "caption")
      expect.caption = o.caption;
    else if (kind == "left") {
      expect.left = o.left;
      expect.twins = o.twins;
      expect.twinReason = o.twinReason;
    } else if (kind == "moved")
      expect.moved = o.moved;
    else if (kind == "calls")
      expect.calls = o.calls;
  }
  return expect;
}

bool ReadKit(const std::string &path, Kit *kit, std::string *error) {
  std::ifstream in(path);
  if (!in) return *error = "cannot read " + path, false;
  const size_t slash = path.rfind('/');
  kit->name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  kit->name = kit->name.substr(0, kit->name.rfind(".kit"));
  kit->phases.assign(1, {});
  kit->runners.assign(std::begin(kDefaultRunners), std::end(kDefaultRunners));
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    const std::string where = path + ":" + std::to_string(number) + ": ";
    if (line.empty()) continue;
    if (line[0] == '#') {
      if (kit->phases.size() == 1 && kit->phases[0].empty()) kit->about += line.substr(1) + "\n";
      continue;
    }
    std::vector<std::string> w;
    if (!Words(line, &w, error)) return *error = where + *error, false;
    if (w.empty()) continue;
    // "on wine,host: <expectation>" holds for those runners only.
    std::vector<std::string> only;
    if (w[0] == "on" && w.size() > 2 && w[1].back() == ':') {
      only = Split(w[1].substr(0, w[1].size() - 1), ',');
      w.erase(w.begin(), w.begin() + 2);
    }
    const std::string &verb = w[0];
    bool ok = true;
    if (!only.empty()) {
      for (const std::string &runner : only) {
        const std::string kind = ExpectLine(w, &kit->byRunner[runner]);
        auto &kinds = kit->kindsByRunner[runner];
        ok = ok && !kind.empty();
        if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) kinds.push_back(kind);
      }
    } else if (verb == "runners") {
      kit->runners.assign(w.begin() + 1, w.end());
    } else if (verb == "then") {
      kit->phases.emplace_back();
    } else if (verb == "program" && w.size() == 2) {
      kit->program = w[1];
    } else if (verb == "folder" && w.size() == 2) {
      kit->folder = w[1];
    } else if (verb == "folder-length" && w.size() == 2) {
      kit->folderLength = std::stoi(w[1]);
    } else if (verb == "folded-alike") {
      FoldedAlike(kit);
    } else if (verb == "case-sensitive") {
      kit->caseSensitive = true;
    } else if (verb == "code-page" && w.size() == 2) {
      kit->codePage = static_cast<unsigned>(std::stoul(w[1]));
    } else if (verb == "args") {
      kit->args.assign(w.begin() + 1, w.end());
    } else if (verb == "env" && w.size() == 2) {
      kit->env.push_back(w[1]);
    } else if (verb == "faults") {
      kit->faults = true;
    } else if (verb == "at" && w.size() >= 5 && w[2].back() == ':') {
      Action action;
      action.op = w[1];
      action.nth = std::stoi(w[2]);
      const std::vector<std::string> line(w.begin() + 3, w.end());
      std::vector<Entry> entries;
      if (line[0] == "remove" && line.size() == 2) {
        action.remove = true;
        action.entry.path = line[1];
      } else if (LayoutLine(line, &entries) && entries.size() == 1) {
        action.entry = entries[0];
      } else {
        ok = false;
      }
      kit->actions.push_back(action);
    } else if (verb == "fail" && w.size() >= 3) {
      Fail fail;
      fail.op = w[1];
      fail.nth = std::stoi(w[2]);
      if (w.size() > 3) fail.error = w[3];
      if (w.size() > 4) fail.count = std::stoi(w[4]);
      kit->fails.push_back(fail);
    } else if (!LayoutLine(w, &kit->phases.back())) {
      ok = !ExpectLine(w, &kit->common).empty();
    }
    if (!ok) return *error = where + "cannot read: " + line, false;
  }
  for (const auto &own : kit->byRunner)
    if (!kit->RunsOn(own.first))
      return *error = path + ": expectations for " + own.first + ", which it does not run on",
             false;
  return true;
}

std::vector<std::string> KitFiles(const std::string &folder) {
  std::vector<std::string> files;
  if (DIR *dir = opendir(folder.c_str())) {
    while (const dirent *entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".kit") == 0)
        files.push_back(folder + "/" + name);
    }
    closedir(dir);
  }
  std::sort(files.begin(), files.end());
  return files;
}

const std::vector<std::pair<std::string, std::uint32_t>> &ErrorCodes() {
  static const std::vector<std::pair<std::string, std::uint32_t>> codes = {
      {"file_not_found", 2}, {"path_not_found", 3},        {"access_denied", 5},
      {"gen_failure", 31},   {"sharing_violation", 32},    {"lock_violation", 33},
      {"disk_full", 112},    {"filename_exced_range", 206}};
  return codes;
}

std::uint32_t ErrorCode(const std::string &name) {
  for (const auto &code : ErrorCodes())
    if (code.first == name) return code.second;
  return static_cast<std::uint32_t>(std::stoul(name));
}

std::string StagingName(std::string path, const std::string &id) {
  const size_t open = path.find("{staging");
  if (open == std::string::npos) return path;
  const size_t close = path.find('}', open);
  const std::string counter = path.substr(open + 8, close - open - 8);  // "" or "-N"
  return path.replace(open, close - open + 1, "~kalvo-" + id + counter + ".tmp");
}

std::string ContentOf(const std::string &written) {
  if (written.rfind("random:", 0) != 0) return written;
  std::string size = written.substr(7);
  size_t bytes = std::stoul(size);
  if (size.back() == 'K') bytes <<= 10;
  if (size.back() == 'M') bytes <<= 20;
  std::string content(bytes, '\0');
  std::uint32_t state = 2463534242u;  // xorshift32, the same bytes every time
  for (char &c : content) {
    state ^= state << 13, state ^= state >> 17, state ^= state << 5;
    c = static_cast<char>(state);
  }
  return content;
}

}  // namespace kits
