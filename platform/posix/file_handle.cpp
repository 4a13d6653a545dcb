// A file handle with Win32's contract, for what the program does with one:
// open an existing file for writing, flush it to the disk, close it. The
// open refuses what Windows refuses to open for writing (a folder, a
// read-only file) and follows a link as Windows does; the flush is fsync,
// as Wine makes it. A handle is the descriptor, one up so that none is 0.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/posix/errors.h"
#include "platform/posix/paths.h"

namespace {

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd) + 1); }

int DescriptorOf(HANDLE handle) {
  return handle == nullptr || handle == INVALID_HANDLE_VALUE
             ? -1
             : static_cast<int>(reinterpret_cast<std::intptr_t>(handle) - 1);
}

}  // namespace

extern "C" HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD, LPSECURITY_ATTRIBUTES,
                              DWORD creation, DWORD, HANDLE) {
  if (access != GENERIC_WRITE || creation != OPEN_EXISTING) {
    FailWith(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const std::string path = PosixPath(fileName);
  // Non-blocking, so that a FIFO cannot stall the open; it is refused below.
  const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0) {
    if (errno == ENOENT)
      FailMissing(path);
    else if (errno == EISDIR || errno == ENXIO)
      FailWith(ERROR_ACCESS_DENIED);
    else
      FailWithErrno();
    return INVALID_HANDLE_VALUE;
  }
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !(st.st_mode & S_IWUSR)) {
    close(fd);
    FailWith(ERROR_ACCESS_DENIED);  // a device, or read-only for Windows
    return INVALID_HANDLE_VALUE;
  }
  return HandleOf(fd);
}

extern "C" BOOL FlushFileBuffers(HANDLE file) {
  const int fd = DescriptorOf(file);
  if (fd < 0) return FailWith(ERROR_INVALID_HANDLE);
  return fsync(fd) == 0 ? TRUE : FailWithErrno();
}

extern "C" BOOL CloseHandle(HANDLE object) {
  const int fd = DescriptorOf(object);
  if (fd < 0) return FailWith(ERROR_INVALID_HANDLE);
  return close(fd) == 0 ? TRUE : FailWithErrno();
}
