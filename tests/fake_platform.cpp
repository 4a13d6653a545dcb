#include "tests/fake_platform.h"

#include <algorithm>
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
                                        "MoveFileExA",
                                        "GetFileAttributesA",
                                        "SetFileAttributesA",
                                        "FormatMessageA",
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
std::map<std::string, std::string, NameLess> folderLinks;
int calls[kOpCount];
int failAt[kOpCount];
int failCount[kOpCount];
DWORD failError[kOpCount];
int pauses;
DWORD pausedMs;
int actAt[kOpCount];
int failedCallIndex;
std::function<void()> actions[kOpCount];
DWORD lastError;

// Counts the call, logs it and says whether it is the one to fail.
bool Enter(Op op, const std::string &args) {
  log.push_back(std::string(kOpNames[op]) + "(" + args + ")");
  if (++calls[op] == actAt[op] && actions[op]) actions[op]();
  if (failAt[op] == 0 || calls[op] < failAt[op] || calls[op] >= failAt[op] + failCount[op])
    return false;
  if (failedCallIndex < 0) failedCallIndex = static_cast<int>(log.size()) - 1;
  lastError = failError[op];
  return true;
}

bool HasPrefix(const std::string &path, const std::string &prefix) {
  return path.size() >= prefix.size() && !NameLess()(path.substr(0, prefix.size()), prefix) &&
         !NameLess()(prefix, path.substr(0, prefix.size())) &&
         (path.size() == prefix.size() || path[prefix.size()] == '\\');
}

BOOL Fail(DWORD error) {
  lastError = error;
  return FALSE;
}

// Absolute, with runs of backslashes collapsed and no trailing one but a root's.
std::string Absolute(const std::string &name) {
  const bool absolute = name.size() >= 2 && name[1] == ':';
  const std::string joined = absolute ? name : cwd + "\\" + name;
  std::string path;
  for (char c : joined)
    if (!(c == '\\' && !path.empty() && path.back() == '\\')) path += c;
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  for (const auto &link : folderLinks)
    if (HasPrefix(path, link.first)) return link.second + path.substr(link.first.size());
  return path;
}

std::string ParentOf(const std::string &path);
const char *BaseOf(const std::string &path);
std::string ShortNameOf(const std::string &path);

// The path Win32 looks up for a name: its last name without trailing dots
// and spaces, or the entry whose short name it is.
std::string Resolve(const std::string &name) {
  std::string path = Absolute(name);
  while (path.size() > 3 && (path.back() == '.' || path.back() == ' ') &&
         path[path.size() - 2] != '\\')
    path.pop_back();
  if (files.count(path) || path.find('~') == std::string::npos) return path;
  const std::string parent = ParentOf(path);
  for (const auto &entry : files)
    if (ParentOf(entry.first) == parent && !NameLess()(ShortNameOf(entry.first), BaseOf(path)) &&
        !NameLess()(BaseOf(path), ShortNameOf(entry.first)))
      return entry.first;
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

// Windows' short name of a name that is no 8.3 name, empty for one that
// is: the first 6 letters and digits before the last dot, "~", a count of
// the siblings before it that give the same, then the first 3 after the dot;
// trailing dots and spaces go first ("bar.dcu " gives "BAR~1.DCU").
std::string ShortStem(std::string name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  const size_t dot = name.rfind('.');
  std::string base, extension;
  for (size_t i = 0; i < name.size(); ++i) {
    std::string &part = dot != std::string::npos && i > dot ? extension : base;
    if (std::isalnum(static_cast<unsigned char>(name[i])) &&
        part.size() < (&part == &base ? 6u : 3u))
      part += static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
  }
  return base + "~" + (extension.empty() ? "" : "." + extension);
}

std::string ShortNameOf(const std::string &path) {
  const std::string name = BaseOf(path);
  const size_t dot = name.find('.');
  const bool eightDotThree =
      name.find_first_of(" +,;=[]") == std::string::npos && std::min(dot, name.size()) <= 8 &&
      (dot == std::string::npos ||
       (name.size() - dot - 1 <= 3 && name.find('.', dot + 1) == std::string::npos));
  if (eightDotThree) return "";
  const std::string stem = ShortStem(name);
  int n = 1;
  for (auto it = files.begin(); it != files.end() && it->first != path; ++it)
    if (ParentOf(it->first) == ParentOf(path) && ShortStem(BaseOf(it->first)) == stem) ++n;
  return stem.substr(0, stem.find('~') + 1) + std::to_string(n) + stem.substr(stem.find('~') + 1);
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
    strncpy(found->cAlternateFileName, ShortNameOf(it->first).c_str(),
            sizeof found->cAlternateFileName - 1);
    return TRUE;
  }
  return Fail(ERROR_NO_MORE_FILES);
}

}  // namespace

std::string SystemText(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return "The system cannot find the file specified.\r\n";
    case ERROR_PATH_NOT_FOUND:
      return "The system cannot find the path specified.\r\n";
    case ERROR_ACCESS_DENIED:
      return "Access is denied.\r\n";
    case ERROR_SHARING_VIOLATION:
      return "The process cannot access the file because it is being used by another process.\r\n";
    case ERROR_GEN_FAILURE:
      return "A device attached to the system is not functioning.\r\n";
    default:
      return "";
  }
}

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
  folderLinks.clear();
  memset(calls, 0, sizeof calls);
  memset(failAt, 0, sizeof failAt);
  pauses = 0;
  pausedMs = 0;
  memset(actAt, 0, sizeof actAt);
  failedCallIndex = -1;
  for (auto &action : actions) action = nullptr;
  lastError = ERROR_SUCCESS;
  commandLine = newCommandLine;
  cwd = newCwd;
  AddDirectory(newCwd);
}

void AddDirectory(const std::string &path) {
  for (std::string p = Absolute(path); !p.empty() && !files.count(p); p = ParentOf(p)) {
    files[p].directory = true;
    if (p.size() <= 3) break;
  }
}

void AddFile(const std::string &path, const std::string &content, bool readOnly) {
  const std::string full = Absolute(path);
  AddDirectory(ParentOf(full));
  files[full] = Node{false, readOnly, false, content};
}

void AddFolderLink(const std::string &path, const std::string &target) {
  folderLinks[path] = Absolute(target);
}

void FailCall(Op op, int nth, DWORD error, int count) {
  failAt[op] = nth;
  failError[op] = error;
  failCount[op] = count;
}
void BeforeCall(Op op, int nth, std::function<void()> action) {
  actAt[op] = nth;
  actions[op] = std::move(action);
}
int Calls(Op op) { return calls[op]; }
int FailedCallIndex() { return failedCallIndex; }
int Pauses() { return pauses; }
DWORD PausedMs() { return pausedMs; }
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
        (MatchWildcard(pattern, BaseOf(entry.first)) ||
         MatchWildcard(pattern, ShortNameOf(entry.first).c_str())))
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

// Win32 checks what it can before it writes; a copy that then fails midway
// has already replaced the target with what it wrote.
extern "C" BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
  const bool failsMidway =
      Enter(kCopyFile, std::string(from) + ", " + to + ", " + std::to_string(failIfExists));
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
  const Node &copied = src->second;
  const std::string content =
      failsMidway ? copied.content.substr(0, copied.content.size() / 2) : copied.content;
  files[target] = Node{false, copied.readOnly, false, content};
  return failsMidway ? Fail(failError[kCopyFile]) : TRUE;
}

extern "C" BOOL DeleteFileA(LPCSTR name) {
  if (Enter(kDeleteFile, name)) return FALSE;
  auto it = files.find(Resolve(name));
  if (it == files.end()) return Fail(ERROR_FILE_NOT_FOUND);
  if (it->second.directory || it->second.readOnly) return Fail(ERROR_ACCESS_DENIED);
  files.erase(it);
  return TRUE;
}

extern "C" BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
  if (Enter(kMoveFileEx, std::string(from) + ", " + to + ", " + std::to_string(flags)))
    return FALSE;
  const std::string source = Resolve(from), target = Resolve(to);
  auto src = files.find(source);
  if (src == files.end()) return Fail(ERROR_FILE_NOT_FOUND);
  if (!IsDirectory(ParentOf(target))) return Fail(ERROR_PATH_NOT_FOUND);
  auto dst = files.find(target);
  if (dst == src) return TRUE;
  if (dst != files.end()) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS);
    if (dst->second.directory || src->second.directory || dst->second.readOnly)
      return Fail(ERROR_ACCESS_DENIED);
    files.erase(dst);
  }
  const Node moved = src->second;
  files.erase(src);
  files[target] = moved;
  return TRUE;
}

extern "C" DWORD GetFileAttributesA(LPCSTR name) {
  if (Enter(kGetFileAttributes, name)) return INVALID_FILE_ATTRIBUTES;
  const std::string path = Resolve(name);
  auto it = files.find(path);
  if (it == files.end()) {
    Fail(IsDirectory(ParentOf(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  const Node &node = it->second;
  DWORD attributes = node.directory ? FILE_ATTRIBUTE_DIRECTORY
                     : node.special ? FILE_ATTRIBUTE_NORMAL
                                    : FILE_ATTRIBUTE_ARCHIVE;
  if (node.readOnly) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

extern "C" BOOL SetFileAttributesA(LPCSTR name, DWORD attributes) {
  if (Enter(kSetFileAttributes, std::string(name) + ", " + std::to_string(attributes)))
    return FALSE;
  const std::string path = Resolve(name);
  auto it = files.find(path);
  if (it == files.end())
    return Fail(IsDirectory(ParentOf(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
  it->second.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  return TRUE;
}

extern "C" DWORD GetCurrentProcessId(void) { return kProcessId; }

extern "C" void Sleep(DWORD milliseconds) {
  ++pauses;
  pausedMs += milliseconds;
}

extern "C" DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD code, DWORD, LPSTR buffer, DWORD size,
                                va_list *) {
  if (Enter(kFormatMessage, std::to_string(code))) return 0;
  if (flags != (FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS)) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string text = SystemText(code);
  if (text.empty() || text.size() + 1 > size) {
    Fail(text.empty() ? ERROR_MR_MID_NOT_FOUND : ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

extern "C" int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  if (Enter(kMessageBox, std::string(caption) + ", " + text + ", " + std::to_string(type)))
    return 0;
  boxes.push_back(Box{caption, text, type});
  return IDOK;
}
