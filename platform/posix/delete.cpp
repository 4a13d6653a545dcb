// DeleteFileA with Win32's contract: never a directory, never a read-only
// file; a link is removed itself, never what it points at.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/posix/errors.h"
#include "platform/posix/paths.h"

extern "C" BOOL DeleteFileA(LPCSTR fileName) {
  const std::string path = PosixPath(fileName);
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return FailWithErrno();
  if (S_ISDIR(st.st_mode)) return FailWith(ERROR_ACCESS_DENIED);
  if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)) return FailWith(ERROR_ACCESS_DENIED);
  if (unlink(path.c_str()) != 0) return FailWithErrno();
  return TRUE;
}
