#pragma once
// The one verdict on every run of every kit, whichever runner made it: no
// unit lost (each unit's bytes in the kit or in LIB under its own name),
// nothing in LIB but the units put there changed, nothing outside the kit
// changed, and a status, a box and a closing line that tell the truth, read
// from the program's own texts by key.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/kit/kit.h"

namespace kits {

// One entry of a folder tree as a runner saw it.
struct Node {
  EntryKind kind = kFile;  // kFile, kDirectory, kLink, or kFifo for anything else
  bool toFolder = false;   // a link to a folder, which the search gives as one
  std::uint64_t hash = 0;  // a file's content; a link's, where it points at a file
  bool readOnly = false;
  std::string target;      // a link's
  std::int64_t mtime = 0;  // a file's last write, where the runner keeps it
};
// Paths relative to the folder that holds the kit's folder, '/' between names.
using Snapshot = std::map<std::string, Node>;

std::uint64_t HashOf(const std::string &bytes);

// What a run showed and left.
struct Run {
  int status = 0;
  bool boxShown = true;
  std::string text;
  std::string caption;
  int style = -1;  // the box's MB_ flags, where the runner sees them
  bool callsCounted = false;
  std::map<std::string, int> calls;
  int handlesLeftOpen = 0;  // where the runner counts them
  // A power cut struck the run: `after` is what the disk holds then, and
  // only that is judged.
  bool cut = false;
  Snapshot before, after;
};

// The platform's own text for each error code, without its line break.
using ErrorTexts = std::map<std::uint32_t, std::string>;

// A run of the fault matrix: one call made to fail.
struct Fault {
  std::string op;
  std::uint32_t error = 0;
  std::string unitAtFailure;  // the search's record when the call failed
};

// The problems with a run of `kit` on `runner` whose folder is `kitFolder`
// in the snapshots; none when the run kept every promise. With a fault,
// the status and the reasons may be those the failure causes.
std::vector<std::string> Judge(const Kit &kit, const std::string &runner,
                               const std::string &kitFolder, const Run &run,
                               const ErrorTexts &errors, const Fault *fault = nullptr);

// What the run came to, in words that do not depend on the platform's
// texts: the status, each unit named with its reason's key, the closing
// line's key, and the units moved. Runners that differ only in texts give
// the same outcome.
// Which one of names folded alike moved, and which units the box names when
// it names only the first five, follow the search's order, which differs
// by runner: those are left out.
std::string OutcomeOf(const Kit &kit, const std::string &runner, const std::string &kitFolder,
                      const Run &run, const ErrorTexts &errors);

}  // namespace kits
