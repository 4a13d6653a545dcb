#include "install/names/code_page.h"

#include <cstring>

#include "install/paths.h"

namespace {

// The longest string converted is the working folder.
WCHAR Back[kWorkDirSize];

size_t WideLength(const WCHAR *wide) {
  size_t length = 0;
  while (wide[length] != 0) ++length;
  return length;
}

}  // namespace

bool AnsiIsUtf8() { return GetACP() == CP_UTF8; }

bool ToAnsiExactly(const WCHAR *wide, char *ansi, size_t size) {
  const size_t length = WideLength(wide);
  BOOL usedDefault = FALSE;
  const int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, ansi,
                                          static_cast<int>(size), nullptr, &usedDefault);
  if (written <= 0) {
    ansi[0] = '\0';
    return false;
  }
  if (usedDefault || length >= kWorkDirSize) return false;
  // Read back: the ANSI form must give the very same code units.
  const int back = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi, -1, Back, kWorkDirSize);
  return back == static_cast<int>(length + 1) && memcmp(Back, wide, back * sizeof(WCHAR)) == 0;
}
