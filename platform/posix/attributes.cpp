// File attributes with Win32's contract, mapped onto POSIX modes: a file
// without its owner's write permission is read-only; a link is described by
// itself, as a reparse point (a directory link also as a directory).
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "platform/posix/errors.h"
#include "platform/posix/file_mode.h"
#include "platform/posix/paths.h"

extern "C" DWORD GetFileAttributesA(LPCSTR fileName) {
  const std::string path = PosixPath(fileName);
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT)
      FailMissing(path);
    else
      FailWithErrno();
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISLNK(st.st_mode)) {
    struct stat target {};
    const bool toFolder = stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
    return FILE_ATTRIBUTE_REPARSE_POINT | (toFolder ? FILE_ATTRIBUTE_DIRECTORY : 0);
  }
  DWORD attributes = S_ISDIR(st.st_mode)   ? FILE_ATTRIBUTE_DIRECTORY
                     : S_ISREG(st.st_mode) ? FILE_ATTRIBUTE_ARCHIVE
                                           : FILE_ATTRIBUTE_NORMAL;
  if (!(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

// Only the read-only attribute has a meaning here; the others are accepted
// and ignored. Clearing it gives back the write permissions that the
// process's creation mask allows.
extern "C" BOOL SetFileAttributesA(LPCSTR fileName, DWORD attributes) {
  const std::string path = PosixPath(fileName);
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return FailWithErrno();
  const mode_t current = st.st_mode & kPermissionBits;
  const mode_t wanted = (attributes & FILE_ATTRIBUTE_READONLY)
                            ? current & ~static_cast<mode_t>(0222)
                            : current | S_IWUSR | (0222 & ~CreationMask());
  if (wanted != current && chmod(path.c_str(), wanted) != 0) return FailWithErrno();
  return TRUE;
}
