#include "install/outcome.h"

#include <cstdio>

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
constexpr int kOutcomeTextSize = 128;
char OutcomeText[kOutcomeTextSize];

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
  snprintf(OutcomeText, sizeof OutcomeText,
           "KALVO installation incomplete: %u unit file%s left in the working folder.",
           outcome.unitsLeft, outcome.unitsLeft == 1 ? " was" : "s were");
  return OutcomeText;
}
