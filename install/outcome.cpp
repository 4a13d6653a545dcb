#include "install/outcome.h"

#include <cstring>

#include "install/text.h"
#include "messages/whole_characters.h"

const char kInstalledText[] = "KALVO successfully installed!";
const char kNoWorkDirText[] =
    "KALVO was not installed: the path of the working folder could not be read "
    "or is too long.";
const char kWorkDirNotExactText[] =
    "KALVO was not installed: this system's code page cannot spell the path of the working "
    "folder exactly. Move the kit to a folder with a plain name, then run install again.";

namespace {

const char kReturnFailedText[] =
    "KALVO was not installed: the working folder could not be entered again.";
const char kSearchBrokenText[] =
    "KALVO installation incomplete: the working folder could not be searched to "
    "the end, so unit files may be left in it.";

// Why a unit was left, by reason; kLeftOnError gives the system's text.
const char *const kReasonTexts[] = {
    nullptr,
    "its path in LIB would be too long.",
    "LIB is this same folder under another name.",
    "Windows paths cannot name a file whose name ends in a dot or a space.",
    "Windows paths cannot name a file whose name holds \\ / : * ? \" < > | or a control "
    "character.",
    "this system's code page cannot spell its name exactly.",
    "Windows keeps this name for a device.",
    "a unit whose name differs from it only in case went to LIB in this run; rename one of "
    "the two.",
    "this run could not keep track of more units.",
    "every name for its copy in LIB was taken.",
};
static_assert(sizeof kReasonTexts / sizeof kReasonTexts[0] == kLeftNoStagingName + 1,
              "a text for every reason");

// The closing line: what to do about the units named. Units left for
// reasons of one kind get that kind's advice; mixed ones the general line.
enum Remedy {
  kRemedyInUse,
  kRemedyLib,
  kRemedyRename,
  kRemedyStaging,
  kRemedyShorterPath,
  kRemedyDiskFull,
  kRemedyRunAgain,
  kRemedyGeneral
};
const char *const kRemedyTexts[] = {
    "Close the programs that use these units, or clear the read-only attribute of "
    "their namesakes in LIB, then run install again.",
    "Make LIB a folder of its own that you can write to, then run install again.",
    "Rename the unit files named above, then run install again.",
    "Delete the leftover ~kalvo-*.tmp files in LIB, then run install again.",
    "Move the kit to a folder with a shorter path, then run install again.",
    "Free some space on the disk, then run install again.",
    "Run install again to move the rest.",
    "Mend what is said of each unit above, then run install again.",
};
static_assert(sizeof kRemedyTexts / sizeof kRemedyTexts[0] == kRemedyGeneral + 1,
              "a text for every remedy");

const char kCutMark[] = "...";

// A name or a reason longer than this is cut, so that five of each fit.
constexpr size_t kNameShown = 128;
constexpr size_t kReasonShown = 160;
// The system's text for an error code, before it is cut.
constexpr DWORD kReasonSize = 256;

char OutcomeText[kOutcomeTextSize];
size_t OutcomeLength;

// Appends at most `limit` bytes of text, cutting what would not fit.
void AppendUpTo(const char *text, size_t limit) {
  const size_t room = kOutcomeTextSize - 1 - OutcomeLength;
  const size_t length = strnlen(text, limit < room ? limit : room);
  memcpy(OutcomeText + OutcomeLength, text, length);
  OutcomeLength += length;
  OutcomeText[OutcomeLength] = '\0';
}

void Append(const char *text) { AppendUpTo(text, kOutcomeTextSize); }

void AppendCount(unsigned count) {
  char digits[kDecimalSize];
  Append(FormatDecimal(count, digits));
}

// Appends text whole when it is at most `limit` bytes long; otherwise its
// first bytes, never splitting a UTF-8 character, and a mark of the cut.
void AppendCut(const char *text, size_t limit) {
  const size_t length = strnlen(text, limit + 1);
  if (length <= limit) {
    Append(text);
    return;
  }
  AppendUpTo(text, WholeCharacters(text, limit - (sizeof kCutMark - 1)));
  Append(kCutMark);
}

// The system's own text for an error code, in the user's language, without
// its line break; a text with the number where the system has none.
void AppendErrorText(DWORD error) {
  char reason[kReasonSize];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                error, 0, reason, kReasonSize, nullptr);
  if (length >= kReasonSize) length = 0;
  while (length > 0 &&
         (reason[length - 1] == '\r' || reason[length - 1] == '\n' || reason[length - 1] == ' '))
    --length;
  if (length == 0) {
    Append("system error ");
    AppendCount(error);
    Append(".");
    return;
  }
  reason[length] = '\0';
  AppendCut(reason, kReasonShown);
}

void AppendLeftUnit(const LeftUnit &unit) {
  Append("\n");
  AppendCut(unit.name, kNameShown);
  Append(": ");
  if (unit.reason == kLeftOnError)
    AppendErrorText(unit.error);
  else
    Append(kReasonTexts[unit.reason]);
}

Remedy RemedyFor(const LeftUnit &unit) {
  switch (unit.reason) {
    case kLeftOnError:
      break;
    case kLeftPathTooLong:
      return kRemedyShorterPath;
    case kLeftTargetIsSource:
      return kRemedyLib;
    case kLeftNoRoomForName:
      return kRemedyRunAgain;
    case kLeftNoStagingName:
      return kRemedyStaging;
    default:
      return kRemedyRename;
  }
  switch (unit.error) {
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
      return kRemedyLib;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return kRemedyInUse;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return kRemedyDiskFull;
    case ERROR_FILENAME_EXCED_RANGE:
      return kRemedyShorterPath;
    default:
      return kRemedyGeneral;
  }
}

}  // namespace

UINT IconFor(int status) {
  if (status == kExitInstalled) return 0;
  return status == kExitIncomplete ? MB_ICONWARNING : MB_ICONERROR;
}

const char *DescribeOutcome(const TransferOutcome &outcome, int *status) {
  if (outcome.walkSkipped) {
    *status = kExitNotInstalled;
    return kReturnFailedText;
  }
  if (outcome.searchBroken) {
    *status = kExitIncomplete;
    return kSearchBrokenText;
  }
  if (outcome.unitsLeft == 0) {
    *status = kExitInstalled;
    return kInstalledText;
  }
  *status = kExitIncomplete;
  OutcomeLength = 0;
  Append("KALVO installation incomplete: ");
  AppendCount(outcome.unitsLeft);
  Append(outcome.unitsLeft == 1 ? " unit file was" : " unit files were");
  Append(" left in the working folder.");
  const unsigned named = outcome.unitsLeft < kLeftUnitsNamed ? outcome.unitsLeft : kLeftUnitsNamed;
  Remedy remedy = RemedyFor(outcome.named[0]);
  for (unsigned i = 0; i < named; ++i) {
    AppendLeftUnit(outcome.named[i]);
    if (RemedyFor(outcome.named[i]) != remedy) remedy = kRemedyGeneral;
  }
  if (outcome.unitsLeft > named) {
    Append("\nand ");
    AppendCount(outcome.unitsLeft - named);
    Append(" more.");
  }
  Append("\n");
  Append(kRemedyTexts[remedy]);
  return OutcomeText;
}
