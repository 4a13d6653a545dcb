#include "install/staging.h"

#include <cstring>

#include "install/paths.h"
#include "text/bounded.h"

namespace {

// "~kalvo-<process id>.tmp", then "~kalvo-<process id>-<n>.tmp" for n from
// 1: the 8.3 short names of these end in ".TMP" too, so no unit pattern
// matches them either way.
const char kStagingPrefix[] = "~kalvo-";
const char kCounterMark[] = "-";
const char kStagingSuffix[] = ".tmp";
// The first name and the ones with a counter, which stays one digit.
constexpr unsigned kStagingNames = 10;

unsigned Candidate;          // the name in StagingPath, or the last one tried
LeftReason NoStagingReason;  // why there is none, when StagingPath is empty
TargetPlace Place = kPlaceUnknown;

// StagingPath from where the target directory ends.
const char *BareName() { return StagingPath + (NameSlot - TargetPath); }

// Writes staging name n after the target directory; false when it does not fit.
bool FormName(unsigned n) {
  const size_t directoryLength = static_cast<size_t>(NameSlot - TargetPath);
  memcpy(StagingPath, TargetPath, directoryLength);
  StagingPath[directoryLength] = '\0';
  char digits[kDecimalSize];
  bool fits =
      AppendWithin(StagingPath, kTargetPathSize, kStagingPrefix) &&
      AppendWithin(StagingPath, kTargetPathSize, FormatDecimal(GetCurrentProcessId(), digits));
  if (n > 0)
    fits = fits && AppendWithin(StagingPath, kTargetPathSize, kCounterMark) &&
           AppendWithin(StagingPath, kTargetPathSize, FormatDecimal(n, digits));
  return fits && AppendWithin(StagingPath, kTargetPathSize, kStagingSuffix);
}

// Something stands under the name: a file, a folder or a link. A look that
// fails for another reason than a missing name counts as nothing there;
// the copy, which never replaces anything, has the last word.
bool Exists(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Tries the staging names from `first` on; leaves the first free one in
// StagingPath, or StagingPath empty with the reason: names taken (`taken`
// says whether one before `first` was) or too long.
bool ChooseFrom(unsigned first, bool taken) {
  for (Candidate = first; Candidate < kStagingNames; ++Candidate) {
    if (!FormName(Candidate)) continue;
    if (!Exists(StagingPath) && !Exists(BareName())) return true;
    taken = true;
  }
  NoStagingReason = taken ? kLeftNoStagingName : kLeftPathTooLong;
  StagingPath[0] = '\0';
  return false;
}

}  // namespace

void BeginStaging(bool targetFormed) {
  Place = kPlaceUnknown;
  StagingPath[0] = '\0';
  NoStagingReason = kLeftPathTooLong;
  if (targetFormed) ChooseFrom(0, false);
}

bool StagingReady(LeftReason *reason) {
  // Names that were taken may have been freed since: a later unit looks
  // again from the first. A name too long stays too long.
  if (StagingPath[0] == '\0' && NoStagingReason == kLeftNoStagingName) ChooseFrom(0, false);
  *reason = NoStagingReason;
  return StagingPath[0] != '\0';
}

bool NextStaging() { return ChooseFrom(Candidate + 1, true); }

void DiscardStaging() {
  // A copy of a read-only unit can be read-only from its creation on, and a
  // read-only file cannot be deleted.
  SetFileAttributesA(StagingPath, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(StagingPath);
}

TargetPlace KnownTargetPlace() { return Place; }

TargetPlace LocateTarget(DWORD *error) {
  if (Place != kPlaceUnknown) return Place;
  if (GetFileAttributesA(BareName()) != INVALID_FILE_ATTRIBUTES) {
    Place = kPlaceWorkDir;
  } else if (GetLastError() == ERROR_FILE_NOT_FOUND) {
    Place = kPlaceElsewhere;
  } else {
    *error = GetLastError();
  }
  return Place;
}
