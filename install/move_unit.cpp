// The move of one unit never exposes a partial file under a unit's name in
// the target directory, and never deletes a source whose copy does not
// stand: the source is copied to the staging file, the copy is made
// writable, renamed over the target in one step, and only then is the
// source deleted. When any step fails, the staging file is removed and the
// target keeps exactly what it held.
#include "install/move_unit.h"

#include "install/paths.h"
#include "install/staging.h"
#include "install/text.h"

namespace {

UnitFate Leave(LeftReason why, DWORD code, LeftReason *reason, DWORD *error) {
  *reason = why;
  *error = code;
  return kUnitLeft;
}

// An entry that was not copied is left, unless it is a folder, which is no
// unit, or it is gone, moved away meanwhile by another run.
UnitFate FateOfUncopied(const WIN32_FIND_DATAA &found, LeftReason why, DWORD code,
                        LeftReason *reason, DWORD *error) {
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return kNotAUnit;
  if (GetFileAttributesA(found.cFileName) == INVALID_FILE_ATTRIBUTES &&
      GetLastError() == ERROR_FILE_NOT_FOUND)
    return kUnitGone;
  return Leave(why, code, reason, error);
}

// A copy takes the source's attributes. One that stayed read-only would
// refuse to be replaced by the next version of its unit.
bool MakeWritable(const char *path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
  const DWORD writable = attributes & ~FILE_ATTRIBUTE_READONLY;
  return SetFileAttributesA(path, writable != 0 ? writable : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

}  // namespace

UnitFate MoveUnit(const WIN32_FIND_DATAA &found, LeftReason *reason, DWORD *error) {
  const char *name = found.cFileName;
  if (StagingPath[0] == '\0' || !WriteWithin(TargetPath, kTargetPathSize, NameSlot, name)) {
    *NameSlot = '\0';
    return FateOfUncopied(found, kLeftPathTooLong, ERROR_SUCCESS, reason, error);
  }
  if (KnownTargetPlace() == kPlaceWorkDir)
    return FateOfUncopied(found, kLeftTargetIsSource, ERROR_SUCCESS, reason, error);

  if (!CopyFileA(name, StagingPath, FALSE)) {
    const DWORD code = GetLastError();
    DiscardStaging();
    return FateOfUncopied(found, kLeftOnError, code, reason, error);
  }
  DWORD code = ERROR_SUCCESS;
  const TargetPlace place = LocateTarget(&code);
  if (place != kPlaceElsewhere) {
    DiscardStaging();
    return Leave(place == kPlaceWorkDir ? kLeftTargetIsSource : kLeftOnError, code, reason, error);
  }
  if (!MakeWritable(StagingPath) ||
      !MoveFileExA(StagingPath, TargetPath, MOVEFILE_REPLACE_EXISTING)) {
    code = GetLastError();
    DiscardStaging();
    return Leave(kLeftOnError, code, reason, error);
  }
  // A source that cannot be deleted (read-only, or in use) stays where it
  // is; its copy stands, so it counts as moved.
  DeleteFileA(name);
  return kUnitMoved;
}
