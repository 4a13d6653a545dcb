#pragma once
// The terms every step of a run shares: why a unit was left, what the
// transfer tells the run at its end, and which refusals pass. Nothing here
// depends on any other file of the program.
#include "platform/win32_api.h"

// Why a unit was left in the working folder.
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
  kLeftShortNameTaken,   // its name is another entry's short name in the target
  kLeftReasonCount
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

// Another process (a second run of the installer, a virus scanner, a search
// indexer) can hold a file open for a moment, and Windows then refuses to
// read or replace it with one of these. A step refused so is tried again,
// and a unit left for one is cured by closing that program.
inline bool IsMomentaryRefusal(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_LOCK_VIOLATION;
}
