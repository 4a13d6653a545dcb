// The program's entry: records the working directory, moves the unit files
// into its LIB subdirectory and tells the user how that went.
#include <cstring>

#include "install/names/work_folder.h"
#include "install/outcome.h"
#include "install/paths.h"
#include "install/texts.h"
#include "install/transfer.h"
#include "messages/report.h"
#include "platform/win32_api.h"

namespace {

const char kUnitPattern[] = "*.dcu";
const char kTargetSubdirectory[] = "\\LIB";

}  // namespace

// C linkage, as the runtime's start-up looks the entry up by its plain name.
extern "C" int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const TextKey kWhyNotRecorded[] = {kTextInstalled, kTextNoWorkDir, kTextWorkDirNotExact,
                                     kTextNotInKit};
  const WorkDirState workDir = RecordWorkDir();
  if (workDir != kWorkDirRecorded) {
    ReportMessage(TextOf(kWhyNotRecorded[workDir]), IconFor(kExitNotInstalled));
    return kExitNotInstalled;
  }
  memcpy(InstallRoot, WorkDir, sizeof InstallRoot);

  const TransferOutcome &outcome = TransferFiles(kUnitPattern, kTargetSubdirectory);
  int status = kExitInstalled;
  const char *text = DescribeOutcome(outcome, &status);
  ReportMessage(text, IconFor(status));
  return status;
}
