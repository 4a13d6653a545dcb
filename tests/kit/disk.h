#pragma once
// Kits on a real disk, for the runners that start a built installer: the
// host build and install.exe under Wine.
#include <string>

#include "tests/kit/kit.h"
#include "tests/kit/verdict.h"

namespace kits {

// What stands in laid-out staging names for the process id; the runner
// renames such entries to the names of the process it starts.
extern const char kStagingStandIn[];

// Lays out phase `phase` of `kit` under the folder `root`, which holds the
// kit's folder (made on the first phase); sets *kitDir to its path.
bool LayOnDisk(const Kit &kit, size_t phase, const std::string &root, std::string *kitDir,
               std::string *error);

// Every entry under `root`, links not followed.
Snapshot SnapshotDisk(const std::string &root);

bool SaveSnapshot(const Snapshot &snapshot, const std::string &path);
bool LoadSnapshot(const std::string &path, Snapshot *snapshot);

}  // namespace kits
