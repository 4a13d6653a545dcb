#include "install/names/short_names.h"

#include "install/names/case_fold.h"

namespace {

constexpr int kShortStemMax = 8;
constexpr int kShortExtensionMax = 3;

UnitMatch Reached;

bool SameName(const WCHAR *a, const WCHAR *b) {
  for (; *a != 0 && *b != 0; ++a, ++b)
    if (UpperCase(*a) != UpperCase(*b)) return false;
  return *a == *b;
}

}  // namespace

bool CouldBeShortName(const WCHAR *name) {
  int stem = 0, extension = -1;
  bool tilde = false;
  for (; *name != 0; ++name) {
    if (*name == '.') {
      if (extension >= 0) return false;
      extension = 0;
    } else if (extension >= 0) {
      ++extension;
    } else {
      tilde = tilde || *name == '~';
      ++stem;
    }
  }
  return tilde && stem <= kShortStemMax && extension != 0 && extension <= kShortExtensionMax;
}

ShortNameLook LookThroughShortName(const char *path, const WCHAR *name, DWORD *error) {
  const HANDLE search = FindFirstUnit(path, &Reached);
  if (search == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return *error == ERROR_FILE_NOT_FOUND || *error == ERROR_PATH_NOT_FOUND ? kNoOtherEntry
                                                                            : kLookFailed;
  }
  FindClose(search);
  // A long name that cannot be read exactly may be anything's.
  return Reached.exact && SameName(Reached.name, name) ? kNoOtherEntry : kAnotherEntry;
}
