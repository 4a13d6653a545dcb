// CopyFileA with Win32's contract on POSIX, and no stronger: a regular file
// only, never onto itself, not over a folder or a read-only file;
// permission bits and last-write time kept. An existing target is truncated
// and written in place, and a copy that fails midway leaves what it wrote
// (Wine leaves the partial file too; Windows deletes it).
//
// A target that does not exist yet is written as an unnamed file and
// linked under its name: cheaper, and a caller cannot tell it from a file
// created under that name, since a copy that fails midway still links what
// it wrote. Only a killed process leaves nothing instead of a partial file.
//
// Environment switches, so that tests reach every path on any filesystem:
//   KALVO_STANDIN_NO_TMPFILE   every target is created under its name
//   KALVO_STANDIN_COPY=readwrite   contents go through read and write
//                                  instead of the kernel's copy
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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
// "/proc/self/fd/" and the decimal digits of an int.
constexpr size_t kProcPathSize = 32;
// Marks a file whose mode is not known, so that it is always set.
constexpr mode_t kUnknownMode = static_cast<mode_t>(-1);

int FaultCountdown[kCopyStepCount];
int FaultErrno[kCopyStepCount];

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

// Copies the source from `offset` on, leaving its file offset alone.
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

// Copies `size` bytes from the start of the source: in the kernel where the
// filesystems allow it, by reading and writing where they do not.
bool CopyContents(int in, int out, off_t size) {
  if (ReadWriteForced()) return CopyByReading(in, out, 0);
  loff_t offset = 0;
  while (offset < size) {
    const ssize_t done =
        Faulted(kCopyKernel)
            ? -1
            : copy_file_range(in, &offset, out, nullptr, static_cast<size_t>(size - offset), 0);
    if (done > 0) continue;
    if (done == 0) return true;  // the source shrank meanwhile
    if (offset == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                        errno == EOPNOTSUPP || errno == EBADF))
      return CopyByReading(in, out, 0);
    return false;
  }
  return true;
}

// The contents, then the permission bits and the times. Sets the last
// error on failure.
bool FillTarget(int in, const struct stat &source, int out, mode_t createdMode) {
  const mode_t mode = source.st_mode & kPermissionBits;
  const timespec times[2] = {source.st_atim, source.st_mtim};
  if (CopyContents(in, out, source.st_size) && (createdMode == mode || fchmod(out, mode) == 0) &&
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

bool LinkUnnamed(int fd, const std::string &path) {
  char procPath[kProcPathSize];
  snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
  return linkat(AT_FDCWD, procPath, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

enum NewNameCopy { kNewCopied, kNewFailed, kNameTaken, kNoUnnamedFiles };

// Copies into an unnamed file in the target's folder and links it under the
// target's name, also after a failure midway. kNameTaken: the name exists,
// so the copy must go in place.
NewNameCopy CopyToNewName(int in, const struct stat &source, const std::string &target) {
  if (getenv("KALVO_STANDIN_NO_TMPFILE") != nullptr) return kNoUnnamedFiles;
  const mode_t mode = source.st_mode & kPermissionBits;
  const int out = open(DirectoryOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
  if (out < 0) {
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return kNoUnnamedFiles;
    FailOnTargetSide();
    return kNewFailed;
  }
  bool ok = FillTarget(in, source, out, mode & ~CreationMask());
  const bool linked = LinkUnnamed(out, target);
  const int linkError = errno;
  if (!CloseTarget(out) && ok && linked) ok = FailWithErrno() != FALSE;
  if (linked) return ok ? kNewCopied : kNewFailed;
  // Written in place, an existing target would have been truncated first,
  // whether or not the copy then went wrong.
  if (linkError == EEXIST) return kNameTaken;
  if (ok) {
    errno = linkError;
    FailOnTargetSide();
  }
  return kNewFailed;
}

// Whether an existing target may be written over by a copy of `source`.
// Sets the last error when it may not.
bool MayOverwrite(const struct stat &source, const struct stat &existing, bool failIfExists) {
  DWORD refusal = ERROR_SUCCESS;
  if (existing.st_dev == source.st_dev && existing.st_ino == source.st_ino)
    refusal = ERROR_SHARING_VIOLATION;  // the same file, reached through a link
  else if (failIfExists)
    refusal = ERROR_FILE_EXISTS;
  else if (!S_ISREG(existing.st_mode) || !(existing.st_mode & S_IWUSR))
    refusal = ERROR_ACCESS_DENIED;  // a folder or a device, or read-only
  if (refusal == ERROR_SUCCESS) return true;
  SetLastError(refusal);
  return false;
}

// Truncates the target and writes it in place, creating it when missing.
bool CopyInPlace(int in, const struct stat &source, const std::string &target, bool failIfExists) {
  struct stat existing {};
  if (stat(target.c_str(), &existing) == 0) {
    if (!MayOverwrite(source, existing, failIfExists)) return false;
  } else if (errno != ENOENT) {
    return FailOnTargetSide() != FALSE;
  }
  const int out = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY | O_CLOEXEC,
                       source.st_mode & kPermissionBits);
  if (out < 0) return FailOnTargetSide() != FALSE;
  bool ok = FillTarget(in, source, out, kUnknownMode);
  if (!CloseTarget(out) && ok) ok = FailWithErrno() != FALSE;
  return ok;
}

}  // namespace

void FailCopyStep(CopyStep step, int nth, int error) {
  FaultCountdown[step] = nth;
  FaultErrno[step] = error;
}

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
  bool copied = false;
  switch (CopyToNewName(in, from, target)) {
    case kNewCopied:
      copied = true;
      break;
    case kNewFailed:
      break;
    case kNameTaken:
    case kNoUnnamedFiles:
      copied = CopyInPlace(in, from, target, failIfExists != FALSE);
      break;
  }
  close(in);
  return copied ? TRUE : FALSE;
}
