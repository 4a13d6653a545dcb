#include "install/names/work_folder.h"

#include <cstring>

#include "install/names/code_page.h"
#include "install/paths.h"

namespace {

// UTF-8's encoding of U+FFFD, which stands for what could not be read.
const char kReplacementUtf8[] = "\xEF\xBF\xBD";

// In a legacy code page the path is read in UTF-16 and taken only when its
// ANSI form is exact.
WCHAR WideWorkDir[kWorkDirSize];

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
  } else {
    const DWORD length = GetCurrentDirectoryW(kWorkDirQueryLimit, WideWorkDir);
    if (length == 0 || length >= kWorkDirQueryLimit)
      state = kWorkDirUnread;
    else if (!ToAnsiExactly(WideWorkDir, WorkDir, kWorkDirQueryLimit))
      state = strlen(WorkDir) == 0 ? kWorkDirUnread : kWorkDirNotExact;
  }
  if (state != kWorkDirRecorded) WorkDir[0] = '\0';
  return state;
}
