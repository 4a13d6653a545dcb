#include "install/names/unit_search.h"

#include <cstddef>
#include <cstring>

#include "install/names/code_page.h"
#include "text/utf8.h"

namespace {

// Whether this search reads UTF-16 names: only in a legacy code page, so
// that where the code page is UTF-8 the search is the plain ANSI one.
bool Wide;
WIN32_FIND_DATAW WideFound;
constexpr size_t kPatternSize = MAX_PATH;
WCHAR WidePattern[kPatternSize];

void FromAnsi(UnitMatch *match) {
  match->exact = DecodeUtf8(match->found.cFileName, match->name, MAX_PATH);
  if (!match->exact) match->name[0] = 0;
}

// The record's fields before the names are the same in both forms.
void FromWide(UnitMatch *match) {
  constexpr size_t kHeadSize = offsetof(WIN32_FIND_DATAW, cFileName);
  static_assert(kHeadSize == offsetof(WIN32_FIND_DATAA, cFileName), "records differ");
  memcpy(&match->found, &WideFound, kHeadSize);
  memcpy(match->name, WideFound.cFileName, sizeof match->name);
  match->name[MAX_PATH - 1] = 0;
  match->exact = ToAnsiExactly(match->name, match->found.cFileName, MAX_PATH);
  // The short name serves only to tell that a unit is gone; one that is
  // not exact is better not known.
  if (!ToAnsiExactly(WideFound.cAlternateFileName, match->found.cAlternateFileName,
                     sizeof match->found.cAlternateFileName))
    match->found.cAlternateFileName[0] = '\0';
}

}  // namespace

HANDLE FindFirstUnit(const char *pattern, UnitMatch *match) {
  Wide = !AnsiIsUtf8();
  if (!Wide) {
    const HANDLE search = FindFirstFileA(pattern, &match->found);
    if (search != INVALID_HANDLE_VALUE) FromAnsi(match);
    return search;
  }
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pattern, -1, WidePattern, kPatternSize) <=
      0)
    return INVALID_HANDLE_VALUE;
  const HANDLE search = FindFirstFileW(WidePattern, &WideFound);
  if (search != INVALID_HANDLE_VALUE) FromWide(match);
  return search;
}

BOOL FindNextUnit(HANDLE search, UnitMatch *match) {
  if (!Wide) {
    if (!FindNextFileA(search, &match->found)) return FALSE;
    FromAnsi(match);
    return TRUE;
  }
  if (!FindNextFileW(search, &WideFound)) return FALSE;
  FromWide(match);
  return TRUE;
}
