// CopyFileA with Win32's contract on POSIX: a regular file only, never onto
// itself, not over a read-only target; permission bits and last-write time
// kept; the target's name only ever holds the whole copy.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix/errors.h"
#include "platform/posix/paths.h"

namespace {

// Buffer of the read/write fallback; static, so memory does not grow with
// the number or size of the files copied.
constexpr size_t kFallbackChunk = 128 * 1024;
char FallbackBuffer[kFallbackChunk];
constexpr mode_t kPermissionBits = 0777;
// A named staging file is readable by its owner only until it is in place.
constexpr mode_t kPrivateMode = 0600;
// "/.kalvo-" + 16 hex digits + ".tmp" and a terminator.
constexpr size_t kStagingNameSize = 32;
// "/proc/self/fd/" and the decimal digits of an int.
constexpr size_t kProcPathSize = 32;

bool WriteAll(int out, const char *data, size_t size) {
  while (size > 0) {
    const ssize_t written = write(out, data, size);
    if (written < 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool CopyByReading(int in, int out) {
  for (;;) {
    const ssize_t got = read(in, FallbackBuffer, kFallbackChunk);
    if (got < 0) return false;
    if (got == 0) return true;
    if (!WriteAll(out, FallbackBuffer, static_cast<size_t>(got))) return false;
  }
}

// Copies `size` bytes in the kernel where the filesystems allow it, by
// reading and writing where they do not.
bool CopyContents(int in, int out, off_t size) {
  off_t copied = 0;
  while (copied < size) {
    const ssize_t done =
        copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(size - copied), 0);
    if (done > 0) {
      copied += done;
      continue;
    }
    if (done == 0) return true;  // the source shrank meanwhile
    if (copied == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                        errno == EOPNOTSUPP || errno == EBADF))
      return CopyByReading(in, out);
    return false;
  }
  return true;
}

std::string DirectoryOf(const std::string &path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The one name a partial copy may stand under while it is put in place. It
// is fixed per target name, so a run killed at that instant leaves at most
// one such file, and the next copy of that unit clears it.
std::string StagingName(const std::string &directory, const std::string &target) {
  unsigned long long hash = 14695981039346656037ULL;  // FNV-1a
  for (char c : target) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  char name[kStagingNameSize];
  snprintf(name, sizeof name, "/.kalvo-%016llx.tmp", hash);
  return directory + name;
}

// Gives `fd`, an unnamed file, the name `path`; replaces a stale file there.
bool LinkUnnamed(int fd, const std::string &path, bool replaceStale) {
  char procPath[kProcPathSize];
  snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (linkat(AT_FDCWD, procPath, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST || !replaceStale || unlink(path.c_str()) != 0) return false;
  }
  return false;
}

struct Staged {
  int fd;
  std::string name;  // empty while the file has no name
  mode_t mode;       // the permission bits it was created with
};

// The process's file creation mask, read once: it trims the mode a new file
// is created with, and setting it back needs the same call.
mode_t CreationMask() {
  static const mode_t mask = [] {
    const mode_t current = umask(0);
    umask(current);
    return current;
  }();
  return mask;
}

// Opens the file that receives the copy: unnamed where the filesystem
// supports it, otherwise under its staging name.
// KALVO_STANDIN_NO_TMPFILE set in the environment takes the path of
// filesystems without O_TMPFILE, so that tests reach it on any filesystem.
// An unnamed file is nobody else's to open, so it takes the source's
// permission bits from the start; a named one stays private until it is in
// place.
bool OpenStaged(const std::string &directory, const std::string &target, mode_t sourceMode,
                Staged *staged) {
  if (getenv("KALVO_STANDIN_NO_TMPFILE") == nullptr) {
    staged->mode = sourceMode & kPermissionBits;
    staged->fd = open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, staged->mode);
    staged->mode &= ~CreationMask();
    if (staged->fd >= 0) return true;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
  }
  staged->mode = kPrivateMode;
  staged->name = StagingName(directory, target);
  const int flags = O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC;
  staged->fd = open(staged->name.c_str(), flags, kPrivateMode);
  if (staged->fd < 0 && errno == EEXIST && unlink(staged->name.c_str()) == 0)
    staged->fd = open(staged->name.c_str(), flags, kPrivateMode);
  return staged->fd >= 0;
}

// Whether an existing target may be replaced by a copy of `source`. Sets
// the last error when it may not.
bool MayReplace(const struct stat &source, const std::string &target, bool failIfExists) {
  struct stat existing {};
  DWORD refusal = ERROR_SUCCESS;
  if (stat(target.c_str(), &existing) != 0)
    refusal = errno == ENOENT ? ERROR_SUCCESS : Win32ErrorFromErrno(errno);
  else if (existing.st_dev == source.st_dev && existing.st_ino == source.st_ino)
    refusal = ERROR_SHARING_VIOLATION;  // the same file, reached through a link
  else if (failIfExists)
    refusal = ERROR_FILE_EXISTS;
  else if (S_ISDIR(existing.st_mode) || !(existing.st_mode & S_IWUSR))
    refusal = ERROR_ACCESS_DENIED;  // a folder, or read-only
  if (refusal == ERROR_SUCCESS) return true;
  SetLastError(refusal);
  return false;
}

// Puts the complete copy under the target's name in one step: a link where
// the name is new, a rename over an existing file that may be replaced.
// Returns false with the last error set.
bool Publish(Staged *staged, const std::string &directory, const std::string &target,
             const struct stat &source, bool failIfExists) {
  if (staged->name.empty()) {
    if (LinkUnnamed(staged->fd, target, false)) return true;
    if (errno != EEXIST) return FailWithErrno();
  }
  if (!MayReplace(source, target, failIfExists)) return false;
  if (staged->name.empty()) {
    staged->name = StagingName(directory, target);
    if (!LinkUnnamed(staged->fd, staged->name, true)) {
      staged->name.clear();
      return FailWithErrno();
    }
  }
  if (rename(staged->name.c_str(), target.c_str()) != 0) return FailWithErrno();
  return true;
}

// Copies the open source into a staged file and publishes it. Returns false
// with the last error set; a staged file is then removed.
bool CopyInto(int in, const struct stat &source, const std::string &target, bool failIfExists) {
  const std::string directory = DirectoryOf(target);
  Staged staged{-1, {}, 0};
  if (!OpenStaged(directory, target, source.st_mode, &staged)) return FailWithErrno();
  const timespec times[2] = {source.st_atim, source.st_mtim};
  const mode_t mode = source.st_mode & kPermissionBits;
  bool ok = CopyContents(in, staged.fd, source.st_size) &&
            (staged.mode == mode || fchmod(staged.fd, mode) == 0) &&
            futimens(staged.fd, times) == 0;
  if (!ok) FailWithErrno();
  ok = ok && Publish(&staged, directory, target, source, failIfExists);
  if (close(staged.fd) != 0 && ok) ok = FailWithErrno();
  if (!ok && !staged.name.empty()) unlink(staged.name.c_str());
  return ok;
}

}  // namespace

extern "C" BOOL CopyFileA(LPCSTR existingName, LPCSTR newName, BOOL failIfExists) {
  const std::string source = PosixPath(existingName);
  const std::string target = PosixPath(newName);

  // Non-blocking, so that a FIFO named like a file cannot stall the open.
  const int in = open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (in < 0) return FailWithErrno();
  struct stat from {};
  const bool regular = fstat(in, &from) == 0 && S_ISREG(from.st_mode);
  const bool copied = regular && CopyInto(in, from, target, failIfExists != FALSE);
  close(in);
  if (!regular) return FailWith(ERROR_ACCESS_DENIED);  // a folder, pipe or device
  return copied ? TRUE : FALSE;
}
