// The program's entry: records the working directory, moves the unit files
// into its LIB subdirectory and tells the user how that went.
#include <cstring>

#include "install/outcome.h"
#include "install/paths.h"
#include "install/transfer.h"
#include "messages/report.h"
#include "platform/win32_api.h"

namespace {

const char kUnitPattern[] = "*.dcu";
const char kTargetSubdirectory[] = "\\LIB";

// The query returns the length without terminator when the path fits, the
// size it would need otherwise, and 0 when it fails. Only a whole,
// terminated path is worth forming the target from.
bool RecordWorkDir() {
  const DWORD length = GetCurrentDirectoryA(kWorkDirQueryLimit, WorkDir);
  if (length == 0 || length >= kWorkDirQueryLimit ||
      memchr(WorkDir, '\0', kWorkDirQueryLimit) == nullptr) {
    WorkDir[0] = '\0';
    return false;
  }
  return true;
}

}  // namespace

// C linkage, as the runtime's start-up looks the entry up by its plain name.
extern "C" int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (!RecordWorkDir()) {
    ReportMessage(kNoWorkDirText, IconFor(kExitNotInstalled));
    return kExitNotInstalled;
  }
  memcpy(InstallRoot, WorkDir, sizeof InstallRoot);

  const TransferOutcome &outcome = TransferFiles(kUnitPattern, kTargetSubdirectory);
  int status = kExitInstalled;
  const char *text = DescribeOutcome(outcome, &status);
  ReportMessage(text, IconFor(status));
  return status;
}
