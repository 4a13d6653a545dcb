// Directory search with Win32's contract: one directory, wildcard matched
// without regard to case, "." and ".." never returned, directories returned
// like files with the directory attribute.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include "platform/posix/errors.h"
#include "platform/posix/paths.h"
#include "platform/wildcard.h"

namespace {

struct Search {
  DIR *dir;
  std::string pattern;
};

constexpr long long kSecondsFrom1601To1970 = 11644473600LL;
constexpr long long kFileTimeTicksPerSecond = 10000000LL;
constexpr long long kNanosecondsPerTick = 100;

FILETIME ToFileTime(const timespec &t) {
  const unsigned long long ticks =
      static_cast<unsigned long long>(t.tv_sec + kSecondsFrom1601To1970) * kFileTimeTicksPerSecond +
      static_cast<unsigned long long>(t.tv_nsec / kNanosecondsPerTick);
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// Fills the record for one entry as Windows does: attributes, times and
// size. A link is described by what it points at, as Windows describes a
// file through a link; a dangling one by itself. A folder is described from
// the directory entry alone, without a status call: its record serves only
// to skip it.
void Describe(int dirFd, const dirent *entry, WIN32_FIND_DATAA *found) {
  const char *name = entry->d_name;
  memset(found, 0, sizeof *found);
  strncpy(found->cFileName, name, sizeof found->cFileName - 1);
  if (entry->d_type == DT_DIR) {
    found->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    return;
  }
  struct stat st {};
  if (fstatat(dirFd, name, &st, 0) != 0) fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW);
  found->dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
  if (!(st.st_mode & S_IWUSR)) found->dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
  if (found->dwFileAttributes == 0) found->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
  found->ftCreationTime = ToFileTime(st.st_ctim);
  found->ftLastAccessTime = ToFileTime(st.st_atim);
  found->ftLastWriteTime = ToFileTime(st.st_mtim);
  const unsigned long long size = static_cast<unsigned long long>(st.st_size);
  found->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  found->nFileSizeLow = static_cast<DWORD>(size);
}

// Returns the next entry that matches, or false with the last error set:
// no more files, or the read's failure. A name is given as the bytes it
// is, a backslash or a colon in it too, as Wine gives such a name: what it
// may be taken for is the program's to judge. A name longer than a record
// holds is one Windows cannot have.
bool NextMatch(Search *search, WIN32_FIND_DATAA *found) {
  for (;;) {
    errno = 0;
    const dirent *entry = readdir(search->dir);
    if (entry == nullptr) {
      FailWith(errno == 0 ? ERROR_NO_MORE_FILES : Win32ErrorFromErrno(errno));
      return false;
    }
    const char *name = entry->d_name;
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
    if (strlen(name) >= MAX_PATH) continue;
    if (!MatchWildcard(search->pattern.c_str(), name)) continue;
    Describe(dirfd(search->dir), entry, found);
    return true;
  }
}

}  // namespace

extern "C" HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA found) {
  const std::string path = PosixPath(fileName);
  const std::string directory = DirectoryOf(path);
  const size_t slash = path.rfind('/');
  DIR *dir = opendir(directory.c_str());
  if (dir == nullptr) {
    FailWith(errno == ENOENT ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  Search *search = new (std::nothrow) Search{dir, path.substr(slash + 1)};
  if (search == nullptr) {
    closedir(dir);
    FailWith(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  if (!NextMatch(search, found)) {
    const DWORD error = GetLastError();
    FindClose(search);
    // A search that ran out before its first match found nothing.
    SetLastError(error == ERROR_NO_MORE_FILES ? ERROR_FILE_NOT_FOUND : error);
    return INVALID_HANDLE_VALUE;
  }
  return search;
}

extern "C" BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA found) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return FailWith(ERROR_INVALID_HANDLE);
  return NextMatch(static_cast<Search *>(handle), found) ? TRUE : FALSE;
}

extern "C" BOOL FindClose(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return FailWith(ERROR_INVALID_HANDLE);
  Search *search = static_cast<Search *>(handle);
  closedir(search->dir);
  delete search;
  return TRUE;
}
