#include "tests/fake_platform.h"

#include <cctype>
#include <cstring>

#include "platform/wildcard.h"

namespace fake {

const char *const kOpNames[kOpCount] = {"GetCurrentDirectoryA",
                                        "SetCurrentDirectoryA",
                                        "CreateDirectoryA",
                                        "FindFirstFileA",
                                        "FindNextFileA",
                                        "FindClose",
                                        "CopyFileA",
                                        "DeleteFileA",
                                        "MessageBoxA"};

namespace {

struct Search {
  std::vector<std::string> names;  // full paths, in the order returned
  size_t next = 0;
  bool open = false;
};

Tree files;
std::string cwd;
std::string commandLine;
std::vector<std::string> log;
std::vector<Box> boxes;
std::vector<Search> searches;
int calls[kOpCount];
int failAt[kOpCount];
DWORD lastError;

// Counts the call, logs it and says whether it is the one to fail.
bool Enter(Op op, const std::string &args) {
  log.push_back(std::string(kOpNames[op]) + "(" + args + ")");
  if (++calls[op] != failAt[op]) return false;
  lastError = ERROR_ACCESS_DENIED;
  return true;
}

BOOL Fail(DWORD error) {
  lastError = error;
  return FALSE;
}

// Absolute, with runs of backslashes collapsed and no trailing one but a root's.
std::string Resolve(const std::string &name) {
  const bool absolute = name.size() >= 2 && name[1] == ':';
  const std::string joined = absolute ? name : cwd + "\\" + name;
  std::string path;
  for (char c : joined)
    if (!(c == '\\' && !path.empty() && path.back() == '\\')) path += c;
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

std::string ParentOf(const std::string &path) {
  const size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return "";
  return slash == 2 ? path.substr(0, 3) : path.substr(0, slash);
}

const char *BaseOf(const std::string &path) { return path.c_str() + path.rfind('\\') + 1; }

bool IsDirectory(const std::string &path) {
  auto it = files.find(path);
  return it != files.end() && it->second.directory;
}

BOOL FillNext(Search &search, LPWIN32_FIND_DATAA found) {
  while (search.next < search.names.size()) {
    const std::string &path = search.names[search.next++];
    auto it = files.find(path);
    if (it == files.end()) continue;  // deleted since the search began
    memset(found, 0, sizeof *found);
    found->dwFileAttributes =
        it->second.directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if (it->second.readOnly) found->dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    strncpy(found->cFileName, BaseOf(it->first), MAX_PATH - 1);
    return TRUE;
  }
  return Fail(ERROR_NO_MORE_FILES);
}

}  // namespace

bool NameLess::operator()(const std::string &a, const std::string &b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) <
           std::tolower(static_cast<unsigned char>(y));
  });
}

void Reset(const std::string &newCwd, const std::string &newCommandLine) {
  files.clear();
  log.clear();
  boxes.clear();
  searches.clear();
  memset(calls, 0, sizeof calls);
  memset(failAt, 0, sizeof failAt);
  lastError = ERROR_SUCCESS;
  commandLine = newCommandLine;
  cwd = newCwd;
  AddDirectory(newCwd);
}

void AddDirectory(const std::string &path) {
  for (std::string p = Resolve(path); !p.empty() && !files.count(p); p = ParentOf(p)) {
    files[p].directory = true;
    if (p.size() <= 3) break;
  }
}

void AddFile(const std::string &path, const std::string &content, bool readOnly) {
  const std::string full = Resolve(path);
  AddDirectory(ParentOf(full));
  files[full] = Node{false, readOnly, false, content};
}

void FailCall(Op op, int nth) { failAt[op] = nth; }
int Calls(Op op) { return calls[op]; }
Tree &Files() { return files; }
const std::vector<std::string> &Log() { return log; }
const std::vector<Box> &Boxes() { return boxes; }

}  // namespace fake

using namespace fake;

extern "C" DWORD GetLastError(void) { return lastError; }
extern "C" void SetLastError(DWORD code) { lastError = code; }
extern "C" LPSTR GetCommandLineA(void) { return &commandLine[0]; }

extern "C" DWORD GetCurrentDirectoryA(DWORD length, LPSTR buffer) {
  if (Enter(kGetCurrentDirectory, std::to_string(length))) return 0;
  if (cwd.size() + 1 > length) return static_cast<DWORD>(cwd.size() + 1);
  memcpy(buffer, cwd.c_str(), cwd.size() + 1);
  return static_cast<DWORD>(cwd.size());
}

extern "C" BOOL SetCurrentDirectoryA(LPCSTR path) {
  if (Enter(kSetCurrentDirectory, path)) return FALSE;
  const std::string full = Resolve(path);
  if (!IsDirectory(full)) return Fail(ERROR_FILE_NOT_FOUND);
  cwd = full;
  return TRUE;
}

extern "C" BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
  if (Enter(kCreateDirectory, path)) return FALSE;
  const std::string full = Resolve(path);
  if (files.count(full)) return Fail(ERROR_ALREADY_EXISTS);
  if (!IsDirectory(ParentOf(full))) return Fail(ERROR_PATH_NOT_FOUND);
  files[full].directory = true;
  return TRUE;
}

extern "C" HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found) {
  if (Enter(kFindFirstFile, pattern)) return INVALID_HANDLE_VALUE;
  Search search;
  for (const auto &entry : files)
    if (ParentOf(entry.first) == cwd && entry.first != cwd &&
        MatchWildcard(pattern, BaseOf(entry.first)))
      search.names.push_back(entry.first);
  if (!FillNext(search, found)) {
    lastError = ERROR_FILE_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
  }
  search.open = true;
  searches.push_back(search);
  return reinterpret_cast<HANDLE>(searches.size());
}

extern "C" BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA found) {
  if (Enter(kFindNextFile, "")) return FALSE;
  const size_t index = reinterpret_cast<size_t>(handle);
  if (index == 0 || index > searches.size() || !searches[index - 1].open)
    return Fail(ERROR_INVALID_HANDLE);
  return FillNext(searches[index - 1], found);
}

extern "C" BOOL FindClose(HANDLE handle) {
  if (Enter(kFindClose, "")) return FALSE;
  const size_t index = reinterpret_cast<size_t>(handle);
  if (index == 0 || index > searches.size() || !searches[index - 1].open)
    return Fail(ERROR_INVALID_HANDLE);
  searches[index - 1].open = false;
  return TRUE;
}

extern "C" BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
  if (Enter(kCopyFile, std::string(from) + ", " + to)) return FALSE;
  const std::string source = Resolve(from), target = Resolve(to);
  auto src = files.find(source);
  if (src == files.end()) return Fail(ERROR_FILE_NOT_FOUND);
  if (src->second.directory || src->second.special) return Fail(ERROR_ACCESS_DENIED);
  if (!IsDirectory(ParentOf(target))) return Fail(ERROR_PATH_NOT_FOUND);
  auto dst = files.find(target);
  if (dst != files.end()) {
    if (dst == src) return Fail(ERROR_SHARING_VIOLATION);
    if (failIfExists) return Fail(ERROR_FILE_EXISTS);
    if (dst->second.directory || dst->second.readOnly) return Fail(ERROR_ACCESS_DENIED);
    files.erase(dst);  // the new entry takes the source's spelling of the name
  }
  files[target] = Node{false, src->second.readOnly, false, src->second.content};
  return TRUE;
}

extern "C" BOOL DeleteFileA(LPCSTR name) {
  if (Enter(kDeleteFile, name)) return FALSE;
  auto it = files.find(Resolve(name));
  if (it == files.end()) return Fail(ERROR_FILE_NOT_FOUND);
  if (it->second.directory || it->second.readOnly) return Fail(ERROR_ACCESS_DENIED);
  files.erase(it);
  return TRUE;
}

extern "C" int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  if (Enter(kMessageBox, std::string(caption) + ", " + text + ", " + std::to_string(type)))
    return 0;
  boxes.push_back(Box{caption, text});
  return IDOK;
}
