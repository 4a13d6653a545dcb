#pragma once
// A test double of the platform seam: an in-memory Windows file system that
// records every call and can make any single call fail.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win32_api.h"

namespace fake {

enum Op {
  kGetCurrentDirectory,
  kSetCurrentDirectory,
  kCreateDirectory,
  kFindFirstFile,
  kFindNextFile,
  kFindClose,
  kCopyFile,
  kDeleteFile,
  kMoveFileEx,
  kGetFileAttributes,
  kSetFileAttributes,
  kFormatMessage,
  kMessageBox,
  kGetCurrentDirectoryW,
  kFindFirstFileW,
  kFindNextFileW,
  kGetWindowsDirectory,
  kGetSystemDirectory,
  kGetSystemWow64Directory,
  kCreateFile,
  kFlushFileBuffers,
  kCloseHandle,
  kOpCount
};
extern const char *const kOpNames[kOpCount];

// A disk keeps names and attributes in the order they were made, but a
// file's data only as of its last flush: `durable` is what a power cut
// leaves of `content`. Files laid out before a run are on the disk.
struct Node {
  bool directory = false;
  bool readOnly = false;
  bool special = false;  // a device or pipe: listed, but never copied
  std::string content;
  std::string durable;
  unsigned id = 0;  // the file itself, whatever its name: what a handle holds
};

// Windows names: case-preserving, and compared one UTF-16 code unit at a
// time, each folded by FoldUnit; but in the folders made case-sensitive (as
// WSL makes them), where case tells names apart.
struct NameLess {
  bool operator()(const std::string &a, const std::string &b) const;
};
using Tree = std::map<std::string, Node, NameLess>;

// A code unit as Windows folds it to compare names: its simple uppercase,
// where that uppercase lowercases back to it (so not ı, ſ, ǅ or ς), as
// Wine's RtlUpcaseUnicodeChar does; glibc's C.UTF-8 gives the mappings.
char16_t FoldUnit(char16_t unit);

// Whether a path whose last name is `name` names a device: its stem before
// any dot or colon, blanks dropped, in any case, is CON, PRN, AUX, NUL,
// CONIN$, CONOUT$, or COM or LPT with a digit (Wine's answers), or with the
// digits 0 and ¹ ² ³ that Microsoft's documentation reserves too.
bool IsDeviceName(const std::string &name);

struct Box {
  std::string caption;
  std::string text;
  UINT style;
};

// Codes whose texts, line break aside, are 160 and 161 bytes long, and one
// that ends in a blank before its line break.
constexpr DWORD kText160Code = 0x20000160, kText161Code = 0x20000161, kBlankEndCode = 0x20000020;
// The error code that a call made to fail sets.
constexpr DWORD kInjectedError = ERROR_GEN_FAILURE;
// The process id the double gives.
constexpr DWORD kProcessId = 4242;

// Names are handled as Win32 handles them: a path's last name loses its
// trailing dots and spaces before it is looked up, and a name that is no
// 8.3 name has a short name (as "BAR~1.DCU" for "bar.dcu "), which search
// records carry and matches and lookups use. AddFile and AddDirectory take
// names as they are, as a tool that bypasses Win32 paths makes them.

// Empties everything and makes `cwd` (created with its parents) current.
void Reset(const std::string &cwd, const std::string &commandLine = "\"C:\\Kit\\install.exe\" ");
void AddDirectory(const std::string &path);
// Before anything is added under it: names in `path` that differ in case
// are different names.
void MakeCaseSensitive(const std::string &path);
// 1252 makes the ANSI calls use that legacy code page, with Windows' best
// fit, as Wine's tables give it (tests/cp1252.inc): "\xEF\xBC\xBC" (a
// fullwidth backslash) reads as "\", "\xC4\x81" (a with macron) as "a",
// what has no look-alike as "?". Names are kept in UTF-8 and the wide
// calls give them whole.
void SetCodePage(UINT codePage);
void AddFile(const std::string &path, const std::string &content, bool readOnly = false);
// Makes `path` a link to the folder `target`: every path under it names the
// same entry under `target`, as a junction or a bind mount does.
void AddFolderLink(const std::string &path, const std::string &target);

// The nth call (counted from 1) of `op`, and the count - 1 after it, fail
// with `error`. A copy
// made to fail fails midway: the target holds half of the source, as Wine
// leaves it, and what it held before is lost. Every other call made to fail
// has no effect.
void FailCall(Op op, int nth, DWORD error = kInjectedError, int count = 1);
// Runs `action` just before the nth call of `op` does anything; this is how
// a test lets another process change the folders meanwhile.
void BeforeCall(Op op, int nth, std::function<void()> action);
int Calls(Op op);
// Handles the program opened and has not closed: files and searches.
int OpenHandles();
// Runs `cut` just before each call that can change what the disk holds,
// as a power cut would strike there; Files() as Durable() gives it is what
// a disk would hold after the cut.
void BeforeEachChange(std::function<void()> cut);
Tree Durable();
// The pauses the program made (Sleep), and their total length.
int Pauses();
DWORD PausedMs();
// Where in Log() the call made to fail stands; -1 when none failed.
int FailedCallIndex();
// The name in the search's last record when the call made to fail failed:
// the unit being moved then, if any.
std::string RecordAtFailure();
// The text the double's FormatMessageA gives for a code, without the line
// break it ends with; empty for a code it has none for.
std::string SystemText(DWORD code);

// A text of the ANSI code page as UTF-8, as a person reads it on screen.
std::string AnsiToUtf8(const std::string &ansi);

Tree &Files();
const std::vector<std::string> &Log();
const std::vector<Box> &Boxes();

}  // namespace fake
