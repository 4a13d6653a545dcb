#pragma once
// The directory search as the transfer sees it: each match's record with
// its names in the ANSI code page, its long name in UTF-16 too, and whether
// the ANSI name is exactly the entry's own, so that acting on it reaches
// this entry and no look-alike.
#include "platform/win32_api.h"

struct UnitMatch {
  WIN32_FIND_DATAA found;
  WCHAR name[MAX_PATH];
  bool exact;
};

// Starts a search for `pattern` in the current directory, as FindFirstFileA
// does; FindClose ends it.
HANDLE FindFirstUnit(const char *pattern, UnitMatch *match);
BOOL FindNextUnit(HANDLE search, UnitMatch *match);
