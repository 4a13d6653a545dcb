#pragma once
// An entry of a folder can be reached by its 8.3 short name as well as by
// its own: NTFS gives "longname1.dcu" the short name LONGNA~1.DCU, Wine one
// such as LONG~3A4.DCU. A unit whose name is another entry's short name in
// the target directory would be renamed over that entry.
#include "install/names/unit_search.h"

// Whether `name` has the form of a short name with a '~' in it: one to
// eight code units holding a '~', then at most a dot and one to three more.
bool CouldBeShortName(const WCHAR *name);

enum ShortNameLook {
  kNoOtherEntry,  // nothing stands under that name, or the unit's namesake
  kAnotherEntry,  // the name is another entry's short name
  kLookFailed,    // the look failed, with *error
};

// Looks up `path`, the unit's path in the target directory, and compares
// the long name of what it reaches with `name` as Windows compares names.
ShortNameLook LookThroughShortName(const char *path, const WCHAR *name, DWORD *error);
