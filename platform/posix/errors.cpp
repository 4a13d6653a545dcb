#include "platform/posix/errors.h"

#include <cerrno>

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
