#include "install/names/work_folder.h"

#include <cstring>

#include "install/names/case_fold.h"
#include "install/names/code_page.h"
#include "install/paths.h"
#include "text/utf8.h"

namespace {

// UTF-8's encoding of U+FFFD, which stands for what could not be read.
const char kReplacementUtf8[] = "\xEF\xBF\xBD";

// The working folder in UTF-16. In a legacy code page the path is read so
// and taken only when its ANSI form is exact.
WCHAR WideWorkDir[kWorkDirSize];

// The Windows folder, its system folder, and on 64-bit Windows the 32-bit
// system folder; a query that fails names none.
typedef UINT(WINAPI *FolderQuery)(LPWSTR, UINT);
const FolderQuery kWindowsFolders[] = {GetWindowsDirectoryW, GetSystemDirectoryW,
                                       GetSystemWow64DirectoryW};
WCHAR WindowsFolder[kWorkDirSize];

// Two folders' paths are one folder's when they differ at most in case
// and in a trailing backslash.
bool SameFolder(const WCHAR *a, const WCHAR *b) {
  for (; *a != 0 && *b != 0; ++a, ++b)
    if (UpperCase(*a) != UpperCase(*b)) return false;
  return (*a == 0 || (*a == '\\' && a[1] == 0)) && (*b == 0 || (*b == '\\' && b[1] == 0));
}

bool IsWindowsFolder() {
  for (FolderQuery query : kWindowsFolders) {
    const UINT length = query(WindowsFolder, kWorkDirSize);
    if (length > 0 && length < kWorkDirSize && SameFolder(WideWorkDir, WindowsFolder)) return true;
  }
  return false;
}

}  // namespace

// The query returns the length without terminator when the path fits, the
// size it would need otherwise, and 0 when it fails. Only a whole,
// terminated path that names this folder exactly is worth forming the
// target from.
WorkDirState RecordWorkDir() {
  WorkDirState state = kWorkDirRecorded;
  if (AnsiIsUtf8()) {
    const DWORD length = GetCurrentDirectoryA(kWorkDirQueryLimit, WorkDir);
    if (length == 0 || length >= kWorkDirQueryLimit ||
        memchr(WorkDir, '\0', kWorkDirQueryLimit) == nullptr)
      state = kWorkDirUnread;
    else if (strstr(WorkDir, kReplacementUtf8) != nullptr)
      state = kWorkDirNotExact;
    else if (!DecodeUtf8(WorkDir, WideWorkDir, kWorkDirSize))
      WideWorkDir[0] = 0;  // no text: no folder of Windows'

  } else {
    const DWORD length = GetCurrentDirectoryW(kWorkDirQueryLimit, WideWorkDir);
    if (length == 0 || length >= kWorkDirQueryLimit)
      state = kWorkDirUnread;
    else if (!ToAnsiExactly(WideWorkDir, WorkDir, kWorkDirQueryLimit))
      state = strlen(WorkDir) == 0 ? kWorkDirUnread : kWorkDirNotExact;
  }
  if (state == kWorkDirRecorded && IsWindowsFolder()) state = kWorkDirSystem;
  if (state != kWorkDirRecorded) WorkDir[0] = '\0';
  return state;
}
