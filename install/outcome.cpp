#include "install/outcome.h"

#include <cstring>

const char kInstalledText[] = "KALVO successfully installed!";
const char kNoWorkDirText[] =
    "KALVO was not installed: the path of the working folder could not be read "
    "or is too long.";

namespace {

const char kReturnFailedText[] =
    "KALVO was not installed: the working folder could not be entered again.";
const char kSearchBrokenText[] =
    "KALVO installation incomplete: the working folder could not be searched to "
    "the end, so unit files may be left in it.";

// Long enough for the counted message with the largest unsigned count.
constexpr size_t kOutcomeTextSize = 128;
char OutcomeText[kOutcomeTextSize];
size_t OutcomeLength;

// Appends to OutcomeText, cutting what would not fit.
void Append(const char *text) {
  const size_t room = kOutcomeTextSize - 1 - OutcomeLength;
  const size_t length = strnlen(text, room);
  memcpy(OutcomeText + OutcomeLength, text, length);
  OutcomeLength += length;
  OutcomeText[OutcomeLength] = '\0';
}

void AppendCount(unsigned count) {
  constexpr size_t kMaxDigits = 10;  // 4294967295
  char digits[kMaxDigits + 1];
  char *first = digits + kMaxDigits;
  *first = '\0';
  do {
    *--first = static_cast<char>('0' + count % 10);
    count /= 10;
  } while (count != 0);
  Append(first);
}

}  // namespace

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
  return OutcomeText;
}
