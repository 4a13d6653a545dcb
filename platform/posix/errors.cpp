#include "platform/posix/errors.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/posix/paths.h"

namespace {
thread_local DWORD LastError = ERROR_SUCCESS;
}

extern "C" DWORD GetLastError(void) { return LastError; }
extern "C" void SetLastError(DWORD code) { LastError = code; }

DWORD Win32ErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case EXDEV:
      return ERROR_NOT_SAME_DEVICE;
    case ELOOP:
      return ERROR_CANT_RESOLVE_FILENAME;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case EIO:
      return ERROR_IO_DEVICE;
    case EFBIG:
      return ERROR_FILE_TOO_LARGE;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EBUSY:
    case ETXTBSY:
      return ERROR_SHARING_VIOLATION;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    default:
      return ERROR_WRITE_FAULT;
  }
}

BOOL FailWith(DWORD error) {
  SetLastError(error);
  return FALSE;
}

BOOL FailWithErrno() { return FailWith(Win32ErrorFromErrno(errno)); }

BOOL FailMissing(const std::string &path) {
  struct stat folder {};
  const bool folderThere = stat(DirectoryOf(path).c_str(), &folder) == 0 && S_ISDIR(folder.st_mode);
  return FailWith(folderThere ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
}
