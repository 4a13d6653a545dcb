#pragma once
// Moves every file of the working directory that matches a pattern into a
// subdirectory of InstallRoot, one file at a time, not recursive. A source
// is deleted only once its copy stands under its own name in the target.
#include "platform/win32_api.h"

// Why a unit was left in the working folder; the box's texts for them
// follow this order.
enum LeftReason {
  kLeftOnError,          // a step failed with a system error code
  kLeftPathTooLong,      // its path in the target directory would not fit
  kLeftTargetIsSource,   // the target directory is the working folder itself
  kLeftNameUnreachable,  // its name ends in a dot or a space, which paths strip
  kLeftNameHoldsPath,    // its name holds a separator or a character names cannot
  kLeftNameNotExact,     // the code page cannot spell its name exactly
  kLeftDeviceName,       // Windows keeps its name for a device
  kLeftNameTaken,        // a unit of the same name but for case was put in place
  kLeftNoRoomForName,    // no room was left to remember its name
  kLeftNoStagingName,    // every name for its copy in the target was taken
};

struct LeftUnit {
  char name[MAX_PATH];
  LeftReason reason;
  DWORD error;  // the system error code, for kLeftOnError
};

// The first units left are named; the rest are only counted.
constexpr unsigned kLeftUnitsNamed = 5;

struct TransferOutcome {
  // Matched files that could not be moved: they are still in the working
  // folder. Folders, and units that another run moved meanwhile, are not.
  unsigned unitsLeft;
  // The first of them, in the order the search met them.
  LeftUnit named[kLeftUnitsNamed];
  // The search ended on an error instead of at its last match, so further
  // units may be left in the working folder.
  bool searchBroken;
  // WorkDir could not be made current again; the walk was skipped and no
  // file was touched.
  bool walkSkipped;
};

// subdirectory is appended unchanged to InstallRoot, so it begins with a
// backslash. On return the current directory is WorkDir again, unless
// walkSkipped reports that it could not be entered. The outcome lives in
// static storage until the next call.
const TransferOutcome &TransferFiles(const char *pattern, const char *subdirectory);
