#include "install/transfer.h"

#include <cstring>

#include "install/move_unit.h"
#include "install/names/unit_search.h"
#include "install/paths.h"
#include "install/staging.h"
#include "text/bounded.h"

namespace {

TransferOutcome Outcome;
UnitMatch Match;

bool AppendToTarget(const char *text) { return AppendWithin(TargetPath, kTargetPathSize, text); }

// A search that stops for any reason but having run out of matches has not
// seen the whole folder.
bool SearchRanToEnd() {
  const DWORD error = GetLastError();
  return error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND;
}

void CountLeft(const char *name, LeftReason reason, DWORD error) {
  if (Outcome.unitsLeft < kLeftUnitsNamed) {
    LeftUnit &unit = Outcome.named[Outcome.unitsLeft];
    const size_t length = strnlen(name, sizeof unit.name - 1);
    memcpy(unit.name, name, length);
    unit.name[length] = '\0';
    unit.reason = reason;
    unit.error = error;
  }
  ++Outcome.unitsLeft;
}

}  // namespace

const TransferOutcome &TransferFiles(const char *pattern, const char *subdirectory) {
  memset(&Outcome, 0, sizeof Outcome);

  TargetPath[0] = '\0';
  bool targetFormed = AppendToTarget(InstallRoot) && AppendToTarget(subdirectory);

  // Probe for the target directory by entering it; create it when that fails.
  if (targetFormed && !SetCurrentDirectoryA(TargetPath)) CreateDirectoryA(TargetPath, nullptr);

  // The search and every source name are relative to the working directory.
  // Searching anywhere else could copy the target's files onto themselves.
  if (!SetCurrentDirectoryA(WorkDir)) {
    Outcome.walkSkipped = true;
    return Outcome;
  }

  targetFormed = targetFormed && AppendToTarget("\\");
  NameSlot = TargetPath + strlen(TargetPath);
  BeginStaging(targetFormed);
  BeginMoves();

  HANDLE search = FindFirstUnit(pattern, &Match);
  if (search == INVALID_HANDLE_VALUE) {
    Outcome.searchBroken = !SearchRanToEnd();
    return Outcome;
  }
  do {
    const MoveResult result = MoveUnit(Match);
    if (result.fate == kUnitLeft) CountLeft(Match.found.cFileName, result.reason, result.error);
  } while (FindNextUnit(search, &Match));
  Outcome.searchBroken = !SearchRanToEnd();
  FindClose(search);
  return Outcome;
}
