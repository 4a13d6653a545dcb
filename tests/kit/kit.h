#pragma once
// A test kit: what a folder holds before the installer runs in it, how it
// is run, and what must hold after. Kits are plain-text files in
// tests/kits/, read here, laid out by every runner that can lay them out
// (the platform double, the host build on a real disk, install.exe under
// Wine) and judged by one verdict (verdict.h). The format is described in
// tests/kits/README.md.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kits {

// The runners: "double", "host", "wine", and "wine-legacy" and "wine-932"
// (install.exe under Wine in code pages 1252 and 932). A kit runs on those
// its `runners` line names, by default on the double, the host build and
// install.exe under Wine in UTF-8.

enum EntryKind { kFile, kDirectory, kLink, kHardLink, kFifo };

// An entry laid out before a run. Paths are relative to the kit's folder,
// with '/' between names; "../x" lies beside the kit. "{staging}" in a path
// stands for the run's first staging name, ~kalvo-<process id>.tmp.
struct Entry {
  EntryKind kind = kFile;
  std::string path;
  std::string content;  // a file's bytes; a link's target
  bool readOnly = false;
  bool newer = false;  // last written in the future, newer than any unit
};

// What must hold after a run, for one runner.
struct Left {
  std::string name;    // as the box shows it; "*" for every unit named
  std::string reason;  // a text key (reason_...), "error:<code name>" or "error"
};

struct Expect {
  int status = 0;
  std::string text;     // the whole box is this text, by key
  std::string closing;  // the closing line, by key
  std::string caption;
  std::vector<Left> left;
  // Units of which exactly one goes to LIB and the others are left, for
  // `twinReason`: names Windows takes for one.
  std::vector<std::vector<std::string>> twins;
  std::string twinReason;
  std::vector<std::string> moved;    // files no *.dcu name matches that move all the same
  std::map<std::string, int> calls;  // file calls a run makes, where the runner counts them
};

// The double's faults and actions, laid out as `fail OP NTH [ERROR] [COUNT]`.
struct Fail {
  std::string op;
  int nth = 1;
  std::string error = "gen_failure";
  int count = 1;
};

// Another process's doing on the double, just before the Nth call of
// `op`: `at OP N: LINE` lays out an entry, `at OP N: remove PATH` removes one.
struct Action {
  std::string op;
  int nth = 1;
  Entry entry;
  bool remove = false;
};

struct Kit {
  std::string name;   // the file's name without .kit
  std::string about;  // its opening comment
  std::vector<std::string> runners;
  // Layout: one list of entries for each run, the first laid out on an
  // empty folder, each later one over what the run before left.
  std::vector<std::vector<Entry>> phases;
  std::string folder = "kit";
  std::string program = "install.exe";  // the name the installer is started under
  int folderLength = 0;                 // the kit folder's whole path is this many bytes
  bool caseSensitive = false;
  unsigned codePage = 65001;
  std::vector<std::string> args;
  std::vector<std::string> env;  // NAME=VALUE for the host build
  std::vector<Fail> fails;       // the double only
  std::vector<Action> actions;   // the double only
  bool faults = false;           // the fault matrix runs it
  Expect common;
  // Expectations for some runners only: each kind of line a runner has
  // lines of its own for replaces the common lines of that kind.
  std::map<std::string, Expect> byRunner;
  std::map<std::string, std::vector<std::string>> kindsByRunner;

  bool RunsOn(const std::string &runner) const;
  // What `runner` must see: the common expectations with its own over them.
  Expect ExpectedOn(const std::string &runner) const;
  // Whether the runner is to come to another outcome than the double
  // (its expectations of what a run comes to are not the double's): it
  // differs from the double by nature.
  bool DiffersFromDouble(const std::string &runner) const;
};

// Reads a kit file; on a malformed one, returns false with *error set.
bool ReadKit(const std::string &path, Kit *kit, std::string *error);
// Every kit in a folder, sorted by name.
std::vector<std::string> KitFiles(const std::string &folder);

// Windows' error codes by the names kits give them ("access_denied").
std::uint32_t ErrorCode(const std::string &name);
const std::vector<std::pair<std::string, std::uint32_t>> &ErrorCodes();

// A file's content as written in a kit: "random:128M" is that many
// pseudo-random bytes, the same on every run.
std::string ContentOf(const std::string &written);

// `path` with "{staging}" and "{staging-N}" made the staging names of the
// process `id`: ~kalvo-<id>.tmp and ~kalvo-<id>-N.tmp.
std::string StagingName(std::string path, const std::string &id);

}  // namespace kits
