#include "install/outcome.h"

#include <cstring>

#include "install/texts.h"
#include "text/bounded.h"
#include "text/spelling.h"

namespace {

// The text of each reason a unit was left for; a system error's is the
// system's own.
const unsigned char kReasonTexts[] = {
    kTextSystemError,   kTextPathTooLong,   kTextTargetIsSource, kTextNameUnreachable,
    kTextNameHoldsPath, kTextNameNotExact,  kTextDeviceName,     kTextNameTaken,
    kTextNoRoomForName, kTextNoStagingName, kTextShortNameTaken,
};
static_assert(sizeof kReasonTexts / sizeof kReasonTexts[0] == kLeftReasonCount,
              "a text for every reason");

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

// Appends a text of the table with `count` where it says kCountMark.
void AppendCounted(TextKey key, unsigned count) {
  const char *text = TextOf(key);
  const char *mark = strstr(text, kCountMark);
  AppendUpTo(text, static_cast<size_t>(mark - text));
  char digits[kDecimalSize];
  Append(FormatDecimal(count, digits));
  Append(mark + sizeof kCountMark - 1);
}

// Appends text whole when it is at most `limit` bytes long; otherwise its
// first bytes, never splitting a character of the code page, and a mark of
// the cut.
void AppendCut(const char *text, size_t limit) {
  const size_t length = strnlen(text, limit + 1);
  if (length <= limit) {
    Append(text);
    return;
  }
  AppendUpTo(text, WholeCharacters(ActiveSpelling(), text, limit - (sizeof kCutMark - 1)));
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
    AppendCounted(kTextSystemError, error);
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
    Append(TextOf(static_cast<TextKey>(kReasonTexts[unit.reason])));
}

// The closing line for a unit left: units left for reasons of one kind get
// that kind's advice; mixed ones the general line.
TextKey RemedyFor(const LeftUnit &unit) {
  switch (unit.reason) {
    case kLeftOnError:
      break;
    case kLeftPathTooLong:
      return kTextRemedyShorterPath;
    case kLeftTargetIsSource:
      return kTextRemedyLib;
    case kLeftNoRoomForName:
      return kTextRemedyRunAgain;
    case kLeftNoStagingName:
      return kTextRemedyStaging;
    default:
      return kTextRemedyRename;
  }
  if (IsMomentaryRefusal(unit.error)) return kTextRemedyInUse;
  switch (unit.error) {
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
      return kTextRemedyLib;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return kTextRemedyDiskFull;
    case ERROR_FILENAME_EXCED_RANGE:
      return kTextRemedyShorterPath;
    default:
      return kTextRemedyGeneral;
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
    return TextOf(kTextReturnFailed);
  }
  if (outcome.searchBroken) {
    *status = kExitIncomplete;
    return TextOf(kTextSearchBroken);
  }
  if (outcome.unitsLeft == 0) {
    *status = kExitInstalled;
    return TextOf(kTextInstalled);
  }
  *status = kExitIncomplete;
  OutcomeLength = 0;
  AppendCounted(outcome.unitsLeft == 1 ? kTextLeftOne : kTextLeftMany, outcome.unitsLeft);
  const unsigned named = outcome.unitsLeft < kLeftUnitsNamed ? outcome.unitsLeft : kLeftUnitsNamed;
  TextKey remedy = RemedyFor(outcome.named[0]);
  for (unsigned i = 0; i < named; ++i) {
    AppendLeftUnit(outcome.named[i]);
    if (RemedyFor(outcome.named[i]) != remedy) remedy = kTextRemedyGeneral;
  }
  if (outcome.unitsLeft > named) {
    Append("\n");
    AppendCounted(kTextMoreLeft, outcome.unitsLeft - named);
  }
  Append("\n");
  Append(TextOf(remedy));
  return OutcomeText;
}
