// A Linux system has no Windows folder, no system folder and no 32-bit
// system folder: each query fails, as a call on a system without the
// folder would, and the program takes the working folder for no Windows'.
#include "platform/posix/errors.h"

extern "C" UINT GetWindowsDirectoryW(LPWSTR, UINT) {
  FailWith(ERROR_CALL_NOT_IMPLEMENTED);
  return 0;
}

extern "C" UINT GetSystemDirectoryW(LPWSTR, UINT) {
  FailWith(ERROR_CALL_NOT_IMPLEMENTED);
  return 0;
}

extern "C" UINT GetSystemWow64DirectoryW(LPWSTR, UINT) {
  FailWith(ERROR_CALL_NOT_IMPLEMENTED);
  return 0;
}
