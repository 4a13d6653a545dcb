// CopyFileA with Win32's contract on POSIX, and no stronger: a regular file
// only, never onto itself, not over a folder or a read-only file;
// permission bits and last-write time kept. A new target is created under
// its own name, as Win32 creates it; with failIfExists it is created
// exclusively, so that any name that exists, a dangling link included,
// refuses and nothing is ever written through a link. An existing target
// is truncated and written in place, and a copy that fails midway leaves
// what it wrote (Wine leaves the partial file too; Windows deletes it).
//
// KALVO_STANDIN_COPY=readwrite makes the contents go through read and write
// instead of the kernel's copy, so that tests reach that path on any
// filesystem.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/posix/copy_faults.h"
#include "platform/posix/errors.h"
#include "platform/posix/file_mode.h"
#include "platform/posix/paths.h"

namespace {

// Buffer of the read/write path; static, so memory does not grow with the
// number or size of the files copied.
constexpr size_t kFallbackChunk = 128 * 1024;
char FallbackBuffer[kFallbackChunk];

int FaultCountdown[kCopyStepCount];
int FaultErrno[kCopyStepCount];
size_t KernelCopyLimit;

// Whether this call of `step` is one a test made fail; sets errno then.
bool Faulted(CopyStep step) {
  if (FaultCountdown[step] == 0) return false;
  if (FaultCountdown[step] > 1) {
    --FaultCountdown[step];
    return false;
  }
  errno = FaultErrno[step];
  return true;
}

bool WriteAll(int out, const char *data, size_t size) {
  while (size > 0) {
    const ssize_t written = Faulted(kCopyWrite) ? -1 : write(out, data, size);
    if (written < 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Copies the source from `offset` on, until a read finds its end; the
// target's file offset must stand at `offset` too.
bool CopyByReading(int in, int out, off_t offset) {
  for (;;) {
    const ssize_t got = Faulted(kCopyRead) ? -1 : pread(in, FallbackBuffer, kFallbackChunk, offset);
    if (got < 0) return false;
    if (got == 0) return true;
    if (!WriteAll(out, FallbackBuffer, static_cast<size_t>(got))) return false;
    offset += got;
  }
}

bool ReadWriteForced() {
  const char *mode = getenv("KALVO_STANDIN_COPY");
  return mode != nullptr && strcmp(mode, "readwrite") == 0;
}

ssize_t KernelCopy(int in, loff_t *offset, int out, size_t length) {
  if (KernelCopyLimit != 0 && length > KernelCopyLimit) length = KernelCopyLimit;
  if (Faulted(kCopyKernel)) return errno == 0 ? 0 : -1;
  return copy_file_range(in, offset, out, nullptr, length, 0);
}

// The kernel's copy cannot serve these files (another filesystem, one that
// has no such copy, a kernel without it); reading and writing can.
bool KernelCannotCopy(int error) {
  return error == EOPNOTSUPP || error == ENOSYS || error == EXDEV || error == EINVAL;
}

// Copies the source into the target, both at their start. The kernel's copy
// is whole once it has delivered the size read at open, where that size
// can be trusted: a file of no size, or one that occupies no blocks, may
// hold more than it says (proc and sysfs files), so it is read to its end.
// Some filesystems answer 0 before the size (those files, some FUSE and
// network ones), or refuse part of the way: the copy then goes on by
// reading and writing from where it stopped, so that a copy cut short is
// never taken for whole.
bool CopyContents(int in, int out, const struct stat &source) {
  const off_t size = source.st_size;
  const bool sizeTrusted = size > 0 && source.st_blocks > 0;
  loff_t offset = 0;
  if (!ReadWriteForced()) {
    while (offset < size) {
      const ssize_t done = KernelCopy(in, &offset, out, static_cast<size_t>(size - offset));
      if (done > 0) continue;
      if (done == 0 || KernelCannotCopy(errno)) break;
      return false;
    }
    if (offset == size && sizeTrusted) return true;
  }
  return CopyByReading(in, out, offset);
}

// The contents, then the permission bits and the times. Sets the last
// error on failure. `createdMode` is the mode the target was created with,
// so that a mode already right is not set again.
bool FillTarget(int in, const struct stat &source, int out, mode_t createdMode) {
  const mode_t mode = source.st_mode & kPermissionBits;
  const timespec times[2] = {source.st_atim, source.st_mtim};
  if (CopyContents(in, out, source) && (createdMode == mode || fchmod(out, mode) == 0) &&
      futimens(out, times) == 0)
    return true;
  return FailWithErrno() != FALSE;
}

// Closes the target; a failure there is a failure of the copy.
bool CloseTarget(int out) {
  const bool faulted = Faulted(kCopyClose);
  const int closed = close(out);
  return !faulted && closed == 0;
}

// The source is open, so a name on the target's side that does not exist
// is a missing folder.
BOOL FailOnTargetSide() {
  return errno == ENOENT ? FailWith(ERROR_PATH_NOT_FOUND) : FailWithErrno();
}

// Whether an existing target may be written over by a copy of `source`.
// Sets the last error when it may not.
bool MayOverwrite(const struct stat &source, const struct stat &existing) {
  DWORD refusal = ERROR_SUCCESS;
  if (existing.st_dev == source.st_dev && existing.st_ino == source.st_ino)
    refusal = ERROR_SHARING_VIOLATION;  // the same file, reached through a link
  else if (!S_ISREG(existing.st_mode) || !(existing.st_mode & S_IWUSR))
    refusal = ERROR_ACCESS_DENIED;  // a folder or a device, or read-only
  if (refusal == ERROR_SUCCESS) return true;
  SetLastError(refusal);
  return false;
}

// Opens the target for writing: created under its name, exclusively when
// it must not exist, or else truncated in place when Windows would write
// over it. Returns -1 with the last error set.
int OpenTarget(const struct stat &source, const std::string &target, bool failIfExists,
               mode_t *createdMode) {
  const mode_t mode = source.st_mode & kPermissionBits;
  constexpr int kWrite = O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC;
  if (failIfExists) {
    const int out = open(target.c_str(), kWrite | O_EXCL, mode);
    if (out < 0 && errno == EEXIST)
      FailWith(ERROR_FILE_EXISTS);
    else if (out < 0)
      FailOnTargetSide();
    *createdMode = mode & ~CreationMask();
    return out;
  }
  struct stat existing {};
  if (stat(target.c_str(), &existing) == 0) {
    if (!MayOverwrite(source, existing)) return -1;
  } else if (errno != ENOENT) {
    FailOnTargetSide();
    return -1;
  }
  const int out = open(target.c_str(), kWrite | O_TRUNC, mode);
  if (out < 0) FailOnTargetSide();
  *createdMode = static_cast<mode_t>(-1);  // not known: an existing file keeps its own
  return out;
}

}  // namespace

void FailCopyStep(CopyStep step, int nth, int error) {
  FaultCountdown[step] = nth;
  FaultErrno[step] = error;
}

void LimitKernelCopy(size_t bytes) { KernelCopyLimit = bytes; }

extern "C" BOOL CopyFileA(LPCSTR existingName, LPCSTR newName, BOOL failIfExists) {
  const std::string source = PosixPath(existingName);
  const std::string target = PosixPath(newName);

  // Non-blocking, so that a FIFO named like a file cannot stall the open.
  const int in = open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (in < 0) return FailWithErrno();
  struct stat from {};
  if (fstat(in, &from) != 0 || !S_ISREG(from.st_mode)) {
    close(in);
    return FailWith(ERROR_ACCESS_DENIED);  // a folder, pipe or device
  }
  mode_t createdMode = 0;
  const int out = OpenTarget(from, target, failIfExists != FALSE, &createdMode);
  bool copied = false;
  if (out >= 0) {
    copied = FillTarget(in, from, out, createdMode);
    if (!CloseTarget(out) && copied) copied = FailWithErrno() != FALSE;
  }
  close(in);
  return copied ? TRUE : FALSE;
}
