// The stand-in's ANSI code page is UTF-8, as the program's manifest asks of
// Windows, and its names are the bytes the system gives. The wide calls
// and conversions that only a legacy code page needs are not provided: each
// fails, as a call Windows lacks would.
#include "platform/posix/errors.h"

extern "C" UINT GetACP(void) { return CP_UTF8; }

// UTF-8's: up to four bytes a character, and no lead bytes of a
// double-byte code page.
extern "C" BOOL GetCPInfo(UINT codePage, LPCPINFO info) {
  if (codePage != CP_ACP && codePage != CP_UTF8) return FailWith(ERROR_INVALID_PARAMETER);
  *info = CPINFO{4, {'?', 0}, {}};
  return TRUE;
}

extern "C" DWORD GetCurrentDirectoryW(DWORD, LPWSTR) {
  FailWith(ERROR_CALL_NOT_IMPLEMENTED);
  return 0;
}

extern "C" HANDLE FindFirstFileW(LPCWSTR, LPWIN32_FIND_DATAW) {
  FailWith(ERROR_CALL_NOT_IMPLEMENTED);
  return INVALID_HANDLE_VALUE;
}

extern "C" BOOL FindNextFileW(HANDLE, LPWIN32_FIND_DATAW) {
  return FailWith(ERROR_CALL_NOT_IMPLEMENTED);
}

extern "C" int WideCharToMultiByte(UINT, DWORD, LPCWSTR, int, LPSTR, int, LPCSTR, BOOL *) {
  return FailWith(ERROR_CALL_NOT_IMPLEMENTED);
}

extern "C" int MultiByteToWideChar(UINT, DWORD, LPCSTR, int, LPWSTR, int) {
  return FailWith(ERROR_CALL_NOT_IMPLEMENTED);
}
