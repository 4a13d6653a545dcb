#include "install/staging.h"

#include <cstring>

#include "install/paths.h"
#include "install/text.h"

namespace {

// "~kalvo-<process id>.tmp": the 8.3 short name of this ends in ".TMP"
// too, so no unit pattern matches it either way.
const char kStagingPrefix[] = "~kalvo-";
const char kStagingSuffix[] = ".tmp";

TargetPlace Place = kPlaceUnknown;

}  // namespace

void BeginStaging(bool targetFormed) {
  Place = kPlaceUnknown;
  StagingPath[0] = '\0';
  if (!targetFormed) return;
  char digits[kDecimalSize];
  const bool fits =
      WriteWithin(StagingPath, kTargetPathSize, StagingPath, TargetPath) &&
      AppendWithin(StagingPath, kTargetPathSize, kStagingPrefix) &&
      AppendWithin(StagingPath, kTargetPathSize, FormatDecimal(GetCurrentProcessId(), digits)) &&
      AppendWithin(StagingPath, kTargetPathSize, kStagingSuffix);
  if (!fits) {
    StagingPath[0] = '\0';
    return;
  }
  DiscardStaging();
}

void DiscardStaging() {
  // A copy of a read-only unit can be read-only from its creation on, and a
  // read-only file cannot be deleted.
  SetFileAttributesA(StagingPath, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(StagingPath);
}

TargetPlace KnownTargetPlace() { return Place; }

TargetPlace LocateTarget(DWORD *error) {
  if (Place != kPlaceUnknown) return Place;
  // The staging file's bare name: StagingPath from where the target
  // directory ends.
  const char *bareName = StagingPath + (NameSlot - TargetPath);
  if (GetFileAttributesA(bareName) != INVALID_FILE_ATTRIBUTES) {
    Place = kPlaceWorkDir;
  } else if (GetLastError() == ERROR_FILE_NOT_FOUND) {
    Place = kPlaceElsewhere;
  } else {
    *error = GetLastError();
  }
  return Place;
}
