// MoveFileExA with Win32's contract: a rename within one volume (across
// volumes it fails, as Windows does without MOVEFILE_COPY_ALLOWED, which
// the stand-in does not offer); over an existing name only with
// MOVEFILE_REPLACE_EXISTING, and never over a folder or a read-only file.
// A link at the target is replaced itself, never what it points at.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/posix/errors.h"
#include "platform/posix/paths.h"

namespace {

// Checks an existing target against the source. Sets the last error when
// Windows would refuse to replace it.
bool MayReplace(const std::string &from, const struct stat &existing, DWORD flags, bool *sameFile) {
  if (!(flags & MOVEFILE_REPLACE_EXISTING)) return FailWith(ERROR_ALREADY_EXISTS) != FALSE;
  struct stat source {};
  if (lstat(from.c_str(), &source) != 0) return FailWithErrno() != FALSE;
  if (S_ISDIR(existing.st_mode) || S_ISDIR(source.st_mode))
    return FailWith(ERROR_ACCESS_DENIED) != FALSE;
  if (!S_ISLNK(existing.st_mode) && !(existing.st_mode & S_IWUSR))
    return FailWith(ERROR_ACCESS_DENIED) != FALSE;
  *sameFile = source.st_dev == existing.st_dev && source.st_ino == existing.st_ino;
  return true;
}

}  // namespace

extern "C" BOOL MoveFileExA(LPCSTR existingName, LPCSTR newName, DWORD flags) {
  const std::string from = PosixPath(existingName);
  const std::string to = PosixPath(newName);
  // A new name needs no checks: one call, which fails where the name exists.
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return TRUE;
  if (errno != EEXIST && errno != EINVAL && errno != ENOSYS) return FailWithErrno();
  struct stat existing {};
  bool sameFile = false;
  if (lstat(to.c_str(), &existing) == 0) {
    if (!MayReplace(from, existing, flags, &sameFile)) return FALSE;
  } else if (errno != ENOENT) {
    return FailWithErrno();
  }
  // rename() between two names of one file leaves both; Windows leaves the
  // new name only.
  if (sameFile) return unlink(from.c_str()) == 0 ? TRUE : FailWithErrno();
  if (rename(from.c_str(), to.c_str()) != 0) return FailWithErrno();
  return TRUE;
}
