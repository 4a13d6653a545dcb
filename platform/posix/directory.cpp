// Current directory and directory creation, with Win32's contracts.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/posix/errors.h"
#include "platform/posix/paths.h"

extern "C" DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
  char *cwd = getcwd(nullptr, 0);
  if (cwd == nullptr) return FailWithErrno();
  std::string shown;
  const bool expressible = WindowsPath(cwd, &shown);
  free(cwd);
  if (!expressible) return FailWith(ERROR_INVALID_NAME);
  // Too small a buffer is left alone; the result is the size it would need.
  if (shown.size() + 1 > bufferLength) return static_cast<DWORD>(shown.size() + 1);
  memcpy(buffer, shown.c_str(), shown.size() + 1);
  return static_cast<DWORD>(shown.size());
}

extern "C" BOOL SetCurrentDirectoryA(LPCSTR pathName) {
  if (pathName == nullptr || *pathName == '\0') return FailWith(ERROR_INVALID_PARAMETER);
  if (chdir(PosixPath(pathName).c_str()) != 0) return FailWithErrno();
  return TRUE;
}

// Folders get every permission the process's creation mask allows.
constexpr mode_t kFolderMode = 0777;

extern "C" BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES) {
  if (pathName == nullptr || *pathName == '\0') return FailWith(ERROR_INVALID_PARAMETER);
  if (mkdir(PosixPath(pathName).c_str(), kFolderMode) != 0) {
    if (errno == ENOENT) return FailWith(ERROR_PATH_NOT_FOUND);
    return FailWithErrno();
  }
  return TRUE;
}
