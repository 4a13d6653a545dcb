#include "tests/fake_platform.h"

#include <locale.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cwctype>

#include "platform/wildcard.h"
#include "tests/fake_code_pages.h"

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
                                        "MessageBoxA",
                                        "GetCurrentDirectoryW",
                                        "FindFirstFileW",
                                        "FindNextFileW",
                                        "GetWindowsDirectoryW",
                                        "GetSystemDirectoryW",
                                        "GetSystemWow64DirectoryW",
                                        "CreateFileA",
                                        "FlushFileBuffers",
                                        "CloseHandle"};

namespace {

struct Search {
  // Full paths, in the order returned, with their short names.
  std::vector<std::pair<std::string, std::string>> names;
  size_t next = 0;
  bool open = false;
};

Tree files;
unsigned lastId;
// The file each handle the program opened holds, 0 once closed.
std::vector<unsigned> fileHandles;
// File handles are told from searches, whose handles count from 1.
constexpr size_t kFileHandleBase = 0x10000;
std::function<void()> cutHook;
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
std::string lastRecord, recordAtFailure;
std::function<void()> actions[kOpCount];
DWORD lastError;
std::vector<std::string> caseSensitive;
UINT codePage = CP_UTF8;

// A code point of UTF-8 text at i, moving past it; a stray byte stands for itself.
char32_t NextPoint(const std::string &text, size_t &i) {
  const unsigned char lead = static_cast<unsigned char>(text[i++]);
  const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  char32_t point = more == 0 ? lead : lead & (0x3F >> more);
  for (int k = 0; k < more && i < text.size(); ++k) point = (point << 6) | (text[i++] & 0x3F);
  return point;
}

std::u16string ToWide(const std::string &text) {
  std::u16string wide;
  for (size_t i = 0; i < text.size();) {
    const char32_t point = NextPoint(text, i);
    if (point < 0x10000) {
      wide += static_cast<char16_t>(point);
    } else {
      wide += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
      wide += static_cast<char16_t>(0xDC00 + (point & 0x3FF));
    }
  }
  return wide;
}

std::string FromWide(const char16_t *wide) {
  std::string text;
  for (; *wide != 0; ++wide) {
    char32_t point = *wide;
    if (point >= 0xD800 && point < 0xDC00 && wide[1] >= 0xDC00 && wide[1] < 0xE000)
      point = 0x10000 + ((point - 0xD800) << 10) + (*++wide - 0xDC00);
    const int more = point < 0x80 ? 0 : point < 0x800 ? 1 : point < 0x10000 ? 2 : 3;
    text += static_cast<char>(more == 0 ? point
                                        : ((0xFF << (7 - more)) & 0xFF) | (point >> (6 * more)));
    for (int k = more - 1; k >= 0; --k)
      text += static_cast<char>(0x80 | ((point >> (6 * k)) & 0x3F));
  }
  return text;
}

// What the ANSI calls give for a name (best fit, then '?'), and what they
// take a name to be.
std::string ToAnsi(const std::string &name) {
  if (codePage == CP_UTF8) return name;
  std::string ansi, bytes;
  for (char16_t unit : ToWide(name))
    ansi += EncodeUnit(codePage, unit, &bytes) != kNoBytes ? bytes : "?";
  return ansi;
}

std::string FromAnsi(const std::string &ansi) {
  if (codePage == CP_UTF8) return ansi;
  std::u16string wide;
  for (size_t at = 0; at < ansi.size();) {
    char16_t unit = '?';
    DecodeCharacter(codePage, ansi, &at, &unit);
    wide += unit;
  }
  return FromWide(wide.c_str());
}

// Counts the call, logs it and says whether it is the one to fail.
bool ChangesTheDisk(Op op) {
  return op == kCreateDirectory || op == kCopyFile || op == kDeleteFile || op == kMoveFileEx ||
         op == kSetFileAttributes || op == kFlushFileBuffers;
}

bool Enter(Op op, const std::string &args) {
  log.push_back(std::string(kOpNames[op]) + "(" + args + ")");
  if (++calls[op] == actAt[op] && actions[op]) actions[op]();
  if (cutHook && ChangesTheDisk(op)) cutHook();
  if (failAt[op] == 0 || calls[op] < failAt[op] || calls[op] >= failAt[op] + failCount[op])
    return false;
  if (failedCallIndex < 0) {
    failedCallIndex = static_cast<int>(log.size()) - 1;
    recordAtFailure = lastRecord;
  }
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
std::map<std::string, std::string, NameLess> ShortNamesIn(const std::string &folder);

// The path Win32 looks up for a name: its last name without trailing dots
// and spaces, or the entry whose short name it is.
std::string Resolve(const std::string &name) {
  std::string path = Absolute(FromAnsi(name));
  while (path.size() > 3 && (path.back() == '.' || path.back() == ' ') &&
         path[path.size() - 2] != '\\')
    path.pop_back();
  if (files.count(path) || path.find('~') == std::string::npos) return path;
  for (const auto &entry : ShortNamesIn(ParentOf(path)))
    if (!NameLess()(entry.second, BaseOf(path)) && !NameLess()(BaseOf(path), entry.second))
      return entry.first;
  return path;
}

std::string ParentOf(const std::string &path) {
  const size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return "";
  return slash == 2 ? path.substr(0, 3) : path.substr(0, slash);
}

const char *BaseOf(const std::string &path) { return path.c_str() + path.rfind('\\') + 1; }

bool IsDevice(const std::string &path) { return IsDeviceName(BaseOf(path)); }

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
  // Leading dots go too, and what they led is the stem: ".dcu" gives "DCU~1".
  const size_t first = name.find_first_not_of('.');
  const bool leadingDot = first != 0 && first != std::string::npos;
  if (leadingDot) name = name.substr(first);
  const size_t dot = leadingDot ? std::string::npos : name.rfind('.');
  std::string base, extension;
  for (size_t i = 0; i < name.size(); ++i) {
    std::string &part = dot != std::string::npos && i > dot ? extension : base;
    if (std::isalnum(static_cast<unsigned char>(name[i])) &&
        part.size() < (&part == &base ? 6u : 3u))
      part += static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
  }
  return base + "~" + (extension.empty() ? "" : "." + extension);
}

bool IsEightDotThree(const std::string &name) {
  const size_t dot = name.find('.');
  // A letter outside ASCII, or a leading dot, makes a short name as Wine
  // makes one (NTFS keeps some such names as they are: the weaker is Wine).
  const bool plain = std::none_of(name.begin(), name.end(), [](char c) { return c & 0x80; });
  const bool eightDotThree =
      plain && dot != 0 && name.find_first_of(" +,;=[]") == std::string::npos &&
      std::min(dot, name.size()) <= 8 &&
      (dot == std::string::npos ||
       (name.size() - dot - 1 <= 3 && name.find('.', dot + 1) == std::string::npos));
  return eightDotThree;
}

// The short name of every entry of a folder (empty for an 8.3 name): its
// stem with a count of the entries before it, in the folder's order, that
// give the same stem.
std::map<std::string, std::string, NameLess> ShortNamesIn(const std::string &folder) {
  std::map<std::string, std::string, NameLess> names;
  std::map<std::string, int> before;
  for (const auto &entry : files) {
    if (entry.first == folder || ParentOf(entry.first) != folder) continue;
    const std::string base = BaseOf(entry.first), stem = ShortStem(base);
    const int n = ++before[stem];
    const size_t tilde = stem.find('~');
    names[entry.first] = IsEightDotThree(base) ? std::string()
                                               : stem.substr(0, tilde + 1) + std::to_string(n) +
                                                     stem.substr(tilde + 1);
  }
  return names;
}

// Fills an ANSI or a wide record for the next entry that still exists.
template <typename Record, typename Name>
BOOL FillNext(Search &search, Record *found, Name name) {
  while (search.next < search.names.size()) {
    const std::string &path = search.names[search.next].first;
    const std::string &shortName = search.names[search.next++].second;
    auto it = files.find(path);
    if (it == files.end()) continue;  // deleted since the search began
    memset(found, 0, sizeof *found);
    found->dwFileAttributes =
        it->second.directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if (it->second.readOnly) found->dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    name(found->cFileName, MAX_PATH, BaseOf(it->first));
    lastRecord = ToAnsi(BaseOf(it->first));
    name(found->cAlternateFileName, 14, shortName);
    return TRUE;
  }
  return Fail(ERROR_NO_MORE_FILES);
}

void AnsiName(char *to, size_t size, const std::string &name) {
  strncpy(to, ToAnsi(name).c_str(), size - 1);
}
void WideName(char16_t *to, size_t size, const std::string &name) {
  const std::u16string wide = ToWide(name).substr(0, size - 1);
  std::copy(wide.begin(), wide.end(), to);
}

// The entries of the current directory whose name or short name matches.
template <typename Record, typename Name>
HANDLE StartSearch(const std::string &pattern, Record *found, Name name) {
  // A pattern may name its folder; without one, it is the current folder.
  const std::string folder =
      pattern.find('\\') == std::string::npos ? cwd : ParentOf(Absolute(pattern));
  const std::string names = pattern.substr(pattern.rfind('\\') + 1);
  Search search;
  for (const auto &entry : ShortNamesIn(folder))
    if (MatchWildcard(names.c_str(), BaseOf(entry.first)) ||
        MatchWildcard(names.c_str(), entry.second.c_str()))
      search.names.push_back(entry);
  if (!FillNext(search, found, name)) {
    lastError = ERROR_FILE_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
  }
  search.open = true;
  searches.push_back(search);
  return reinterpret_cast<HANDLE>(searches.size());
}

template <typename Record, typename Name>
BOOL ContinueSearch(HANDLE handle, Record *found, Name name) {
  const size_t index = reinterpret_cast<size_t>(handle);
  if (index == 0 || index > searches.size() || !searches[index - 1].open)
    return Fail(ERROR_INVALID_HANDLE);
  return FillNext(searches[index - 1], found, name);
}

}  // namespace

std::string SystemText(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND:
      return "The system cannot find the path specified.";
    case ERROR_ACCESS_DENIED:
      return "Access is denied.";
    case ERROR_SHARING_VIOLATION:
      return "The process cannot access the file because it is being used by another process.";
    case ERROR_GEN_FAILURE:
      return "A device attached to the system is not functioning.";
    case kText160Code:
    case kText161Code:
      return std::string(code == kText160Code ? 160 : 161, 'r') + "";
    case kBlankEndCode:
      return "Trailing blank. ";
    default:
      return "";
  }
}

bool IsDeviceName(const std::string &name) {
  std::string stem = name.substr(0, name.find_first_of(".:"));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char &c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const char *device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (stem == device) return true;
  if (stem.rfind("COM", 0) != 0 && stem.rfind("LPT", 0) != 0) return false;
  const std::string number = stem.substr(3);
  return (number.size() == 1 && std::isdigit(static_cast<unsigned char>(number[0]))) ||
         number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
}

char16_t FoldUnit(char16_t unit) {
  static const std::vector<char16_t> folds = [] {
    const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    std::vector<char16_t> all(0x10000);
    for (unsigned c = 0; c < all.size(); ++c) {
      const wint_t upper = towupper_l(c, utf8);
      all[c] = static_cast<char16_t>(upper < 0x10000 && towlower_l(upper, utf8) == c ? upper : c);
    }
    freelocale(utf8);
    return all;
  }();
  return folds[unit];
}

bool NameLess::operator()(const std::string &a, const std::string &b) const {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t x = NextPoint(a, i), y = NextPoint(b, j);
    const char32_t fx = x < 0x10000 ? FoldUnit(static_cast<char16_t>(x)) : x;
    const char32_t fy = y < 0x10000 ? FoldUnit(static_cast<char16_t>(y)) : y;
    if (fx != fy) return fx < fy;
  }
  if (i < a.size() || j < b.size()) return j < b.size();
  const std::string parent = ParentOf(a);
  const bool sensitive = std::any_of(caseSensitive.begin(), caseSensitive.end(), [&](auto &f) {
    return !NameLess()(f, parent) && !NameLess()(parent, f);
  });
  return sensitive && a < b;
}

void Reset(const std::string &newCwd, const std::string &newCommandLine) {
  files.clear();
  fileHandles.clear();
  cutHook = nullptr;
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
  lastRecord.clear();
  recordAtFailure.clear();
  for (auto &action : actions) action = nullptr;
  lastError = ERROR_SUCCESS;
  commandLine = newCommandLine;
  caseSensitive.clear();
  codePage = CP_UTF8;
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
  files[full] = Node{false, readOnly, false, content, content, ++lastId};
}

void MakeCaseSensitive(const std::string &path) { caseSensitive.push_back(Absolute(path)); }
void SetCodePage(UINT newCodePage) { codePage = newCodePage; }

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
int OpenHandles() {
  return static_cast<int>(
      std::count_if(fileHandles.begin(), fileHandles.end(), [](unsigned id) { return id != 0; }) +
      std::count_if(searches.begin(), searches.end(), [](const Search &s) { return s.open; }));
}
void BeforeEachChange(std::function<void()> cut) { cutHook = std::move(cut); }
Tree Durable() {
  Tree disk = files;
  for (auto &entry : disk) entry.second.content = entry.second.durable;
  return disk;
}
int FailedCallIndex() { return failedCallIndex; }
std::string RecordAtFailure() { return recordAtFailure; }
int Pauses() { return pauses; }
DWORD PausedMs() { return pausedMs; }
std::string AnsiToUtf8(const std::string &ansi) { return FromAnsi(ansi); }
Tree &Files() { return files; }
const std::vector<std::string> &Log() { return log; }
const std::vector<Box> &Boxes() { return boxes; }

}  // namespace fake

using namespace fake;

extern "C" DWORD GetLastError(void) { return lastError; }
extern "C" void SetLastError(DWORD code) { lastError = code; }
// The command line in the ANSI code page, as Windows gives it.
extern "C" LPSTR GetCommandLineA(void) {
  static std::string ansi;
  ansi = ToAnsi(commandLine);
  return &ansi[0];
}

template <typename Char>
DWORD CopyPath(const std::basic_string<Char> &path, DWORD length, Char *buffer) {
  if (path.size() + 1 > length) return static_cast<DWORD>(path.size() + 1);
  std::copy(path.c_str(), path.c_str() + path.size() + 1, buffer);
  return static_cast<DWORD>(path.size());
}

extern "C" DWORD GetCurrentDirectoryA(DWORD length, LPSTR buffer) {
  if (Enter(kGetCurrentDirectory, std::to_string(length))) return 0;
  return CopyPath(ToAnsi(cwd), length, buffer);
}

extern "C" DWORD GetCurrentDirectoryW(DWORD length, LPWSTR buffer) {
  if (Enter(kGetCurrentDirectoryW, std::to_string(length))) return 0;
  return CopyPath(ToWide(cwd), length, buffer);
}

extern "C" UINT GetACP(void) { return codePage; }

extern "C" BOOL GetCPInfo(UINT page, LPCPINFO info) {
  if (page != CP_ACP) return Fail(ERROR_INVALID_PARAMETER);
  *info = CPINFO{codePage == CP_UTF8 ? 4u : 1u, {'?', 0}, {}};
  size_t range = 0;
  for (unsigned byte = 0x80; byte < 0x100; ++byte) {
    if (!IsLeadByte(codePage, static_cast<unsigned char>(byte))) continue;
    info->MaxCharSize = 2;
    if (range % 2 == 0) info->LeadByte[range++] = static_cast<BYTE>(byte);
    if (!IsLeadByte(codePage, static_cast<unsigned char>(byte + 1)) || byte == 0xFF)
      info->LeadByte[range++] = static_cast<BYTE>(byte);
  }
  return TRUE;
}

// The folders of a 64-bit Windows, which has one more than a 32-bit one.
extern "C" UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size) {
  if (Enter(kGetWindowsDirectory, std::to_string(size))) return 0;
  return CopyPath(ToWide("C:\\Windows"), size, buffer);
}

extern "C" UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) {
  if (Enter(kGetSystemDirectory, std::to_string(size))) return 0;
  return CopyPath(ToWide("C:\\Windows\\system32"), size, buffer);
}

extern "C" UINT GetSystemWow64DirectoryW(LPWSTR buffer, UINT size) {
  if (Enter(kGetSystemWow64Directory, std::to_string(size))) return 0;
  return CopyPath(ToWide("C:\\Windows\\SysWOW64"), size, buffer);
}

// Conversions of the legacy code page, the only one the program converts.
// A count of -1 takes the text up to its terminator, which is converted too.
extern "C" int WideCharToMultiByte(UINT, DWORD flags, LPCWSTR wide, int count, LPSTR ansi, int size,
                                   LPCSTR, BOOL *usedDefault) {
  size_t length = 0;
  if (count < 0)
    while (wide[length++] != 0) continue;
  else
    length = static_cast<size_t>(count);
  std::string text, bytes;
  bool defaulted = false;
  for (size_t i = 0; i < length; ++i) {
    const Fit fit = EncodeUnit(codePage, wide[i], &bytes);
    if (fit == kNoBytes || (fit == kBestFit && (flags & WC_NO_BEST_FIT_CHARS))) {
      bytes = "?";
      defaulted = true;
    }
    text += bytes;
  }
  if (text.size() > static_cast<size_t>(size)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  memcpy(ansi, text.data(), text.size());
  if (usedDefault != nullptr) *usedDefault = defaulted;
  return static_cast<int>(text.size());
}

// With MB_ERR_INVALID_CHARS, bytes that spell no character fail the call.
extern "C" int MultiByteToWideChar(UINT, DWORD flags, LPCSTR ansi, int count, LPWSTR wide,
                                   int size) {
  const std::string bytes(ansi, count < 0 ? strlen(ansi) + 1 : static_cast<size_t>(count));
  std::u16string units;
  for (size_t at = 0; at < bytes.size();) {
    char16_t unit = 0x30FB;  // what Windows reads a broken character as
    if (!DecodeCharacter(codePage, bytes, &at, &unit) && (flags & MB_ERR_INVALID_CHARS))
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
    units += unit;
  }
  if (units.size() > static_cast<size_t>(size)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::copy(units.begin(), units.end(), wide);
  return static_cast<int>(units.size());
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
  return StartSearch(FromAnsi(pattern), found, AnsiName);
}

extern "C" BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA found) {
  if (Enter(kFindNextFile, "")) return FALSE;
  return ContinueSearch(handle, found, AnsiName);
}

extern "C" HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW found) {
  if (Enter(kFindFirstFileW, FromWide(pattern))) return INVALID_HANDLE_VALUE;
  return StartSearch(FromWide(pattern), found, WideName);
}

extern "C" BOOL FindNextFileW(HANDLE handle, LPWIN32_FIND_DATAW found) {
  if (Enter(kFindNextFileW, "")) return FALSE;
  return ContinueSearch(handle, found, WideName);
}

extern "C" BOOL FindClose(HANDLE handle) {
  const bool fails = Enter(kFindClose, "");
  const size_t index = reinterpret_cast<size_t>(handle);
  if (index == 0 || index > searches.size() || !searches[index - 1].open)
    return Fail(ERROR_INVALID_HANDLE);
  searches[index - 1].open = false;  // closed even by a close that fails
  return fails ? FALSE : TRUE;
}

// Win32 checks what it can before it writes; a copy that then fails midway
// has already replaced the target with what it wrote.
extern "C" BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) {
  const bool failsMidway =
      Enter(kCopyFile, std::string(from) + ", " + to + ", " + std::to_string(failIfExists));
  const std::string source = Resolve(from), target = Resolve(to);
  // A path whose last name is a device's names the device, whatever file
  // of that name the folder holds: it reads as nothing, as NUL does, and
  // takes whatever is written to it.
  if (IsDevice(source) || IsDevice(target)) {
    if (!IsDevice(target)) files[target] = Node{false, false, false, "", "", ++lastId};
    return failsMidway ? Fail(failError[kCopyFile]) : TRUE;
  }
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
  // Nothing of it is on the disk until it is flushed.
  files[target] = Node{false, copied.readOnly, false, content, "", ++lastId};
  return failsMidway ? Fail(failError[kCopyFile]) : TRUE;
}

extern "C" BOOL DeleteFileA(LPCSTR name) {
  if (Enter(kDeleteFile, name)) return FALSE;
  if (IsDevice(Resolve(name))) return Fail(ERROR_ACCESS_DENIED);
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
  const std::string known = SystemText(code);
  // Windows ends each of its texts with a line break.
  const std::string text = known.empty() ? known : known + "\r\n";
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

// Opens an existing file for writing, as the program opens a copy to flush
// it: not a folder, a device or a read-only file.
extern "C" HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                              DWORD creation, DWORD, HANDLE) {
  if (Enter(kCreateFile, std::string(name) + ", " + std::to_string(access) + ", " +
                             std::to_string(share) + ", " + std::to_string(creation)))
    return INVALID_HANDLE_VALUE;
  const std::string path = Resolve(name);
  auto it = files.find(path);
  if (access != GENERIC_WRITE || creation != OPEN_EXISTING) {
    Fail(ERROR_INVALID_PARAMETER);
  } else if (it == files.end()) {
    Fail(IsDirectory(ParentOf(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
  } else if (it->second.directory || it->second.special || it->second.readOnly) {
    Fail(ERROR_ACCESS_DENIED);
  } else {
    fileHandles.push_back(it->second.id);
    return reinterpret_cast<HANDLE>(kFileHandleBase + fileHandles.size() - 1);
  }
  return INVALID_HANDLE_VALUE;
}

// The file a handle of CreateFileA holds, null for any other handle.
static Node *FileOf(HANDLE handle) {
  const size_t index = reinterpret_cast<size_t>(handle) - kFileHandleBase;
  if (index >= fileHandles.size() || fileHandles[index] == 0) return nullptr;
  for (auto &entry : files)
    if (entry.second.id == fileHandles[index]) return &entry.second;
  static Node deleted;  // open, but no longer under any name
  return &deleted;
}

extern "C" BOOL FlushFileBuffers(HANDLE handle) {
  if (Enter(kFlushFileBuffers, "")) return FALSE;
  Node *file = FileOf(handle);
  if (file == nullptr) return Fail(ERROR_INVALID_HANDLE);
  file->durable = file->content;
  return TRUE;
}

// A close that fails has closed the handle all the same, as on Windows.
extern "C" BOOL CloseHandle(HANDLE handle) {
  const bool fails = Enter(kCloseHandle, "");
  if (FileOf(handle) == nullptr) return Fail(ERROR_INVALID_HANDLE);
  fileHandles[reinterpret_cast<size_t>(handle) - kFileHandleBase] = 0;
  return fails ? FALSE : TRUE;
}
