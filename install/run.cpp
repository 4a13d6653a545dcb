// The program's entry: records the working directory, moves the unit files
// into its LIB subdirectory and tells the user how that went.
#include <cstring>

#include "install/code_page.h"
#include "install/outcome.h"
#include "install/paths.h"
#include "install/transfer.h"
#include "messages/report.h"
#include "platform/win32_api.h"

namespace {

const char kUnitPattern[] = "*.dcu";
const char kTargetSubdirectory[] = "\\LIB";

enum WorkDirState { kWorkDirRecorded, kWorkDirUnread, kWorkDirNotExact };

// UTF-8's encoding of U+FFFD, which stands for what could not be read.
const char kReplacementUtf8[] = "\xEF\xBF\xBD";

// In a legacy code page the ANSI query would give a look-alike for what the
// code page cannot hold, and the run would work in another folder: the
// path is read in UTF-16 and taken only when its ANSI form is exact.
WCHAR WideWorkDir[kWorkDirSize];

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

}  // namespace

// C linkage, as the runtime's start-up looks the entry up by its plain name.
extern "C" int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const WorkDirState workDir = RecordWorkDir();
  if (workDir != kWorkDirRecorded) {
    ReportMessage(workDir == kWorkDirUnread ? kNoWorkDirText : kWorkDirNotExactText,
                  IconFor(kExitNotInstalled));
    return kExitNotInstalled;
  }
  memcpy(InstallRoot, WorkDir, sizeof InstallRoot);

  const TransferOutcome &outcome = TransferFiles(kUnitPattern, kTargetSubdirectory);
  int status = kExitInstalled;
  const char *text = DescribeOutcome(outcome, &status);
  ReportMessage(text, IconFor(status));
  return status;
}
