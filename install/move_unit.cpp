// The move of one unit never exposes a partial file under a unit's name in
// the target directory, and never deletes a source whose copy does not
// stand: the source is copied to a staging file that the copy itself
// creates, the copy of a read-only unit is made writable, the copy is
// renamed over the target in one step, and only then is the source
// deleted. When any step fails, the staging file is removed and the target
// keeps exactly what it held.
#include "install/move_unit.h"

#include <cstring>

#include "install/moved_names.h"
#include "install/name_rules.h"
#include "install/paths.h"
#include "install/staging.h"
#include "install/text.h"

namespace {

// Another process (a second run of the installer, a virus scanner, a search
// indexer) can hold a unit or its namesake open for a moment, and Windows
// then refuses to read or replace it. Such a refusal is tried again after a
// pause, a few times a step, and only so many times a run, so that a
// folder that refuses every unit for good costs little time.
constexpr int kAttemptsPerStep = 4;
constexpr DWORD kRetryPauseMs = 10;
constexpr int kRetryPausesPerRun = 100;
int PausesLeft = kRetryPausesPerRun;

bool PauseBeforeRetry(DWORD error, int attempt) {
  const bool transient = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                         error == ERROR_LOCK_VIOLATION;
  if (!transient || attempt >= kAttemptsPerStep || PausesLeft == 0) return false;
  --PausesLeft;
  Sleep(kRetryPauseMs);
  return true;
}

// A namesake that is read-only or a folder refuses to be replaced for good.
bool TargetRefusesForGood() {
  const DWORD attributes = GetFileAttributesA(TargetPath);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0;
}

UnitFate Leave(LeftReason why, DWORD code, LeftReason *reason, DWORD *error) {
  *reason = why;
  *error = code;
  return kUnitLeft;
}

bool Vanished(const char *name) {
  return GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES &&
         GetLastError() == ERROR_FILE_NOT_FOUND;
}

// An entry that was not copied is left, unless it is gone: moved away
// meanwhile by another run. Gone means gone by its name and by its short
// name, in case paths reach it by the one and not the other.
UnitFate FateOfUncopied(const WIN32_FIND_DATAA &found, LeftReason why, DWORD code,
                        LeftReason *reason, DWORD *error) {
  if (Vanished(found.cFileName) &&
      (found.cAlternateFileName[0] == '\0' || Vanished(found.cAlternateFileName)))
    return kUnitGone;
  return Leave(why, code, reason, error);
}

// A copy takes the source's attributes, which the search record gives. One
// that stayed read-only would refuse to be replaced by the next version of
// its unit.
bool MakeWritable(const char *path, DWORD sourceAttributes) {
  const DWORD writable = sourceAttributes & ~FILE_ATTRIBUTE_READONLY;
  return SetFileAttributesA(path, writable != 0 ? writable : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

enum CopyResult { kCopied, kCopyFailed, kNoNameLeft };

// Copies the unit to the staging name, creating the file there: the copy
// refuses where the name exists, so nothing else is ever written over.
// When another process has taken the name, the next one is tried. A copy
// that failed otherwise may have left what it wrote under the name, which
// was free when the copy began; that is removed before the copy is tried
// again or given up. *code is set on failure.
CopyResult CopyToStaging(const char *name, DWORD *code) {
  int attempt = 1;
  while (!CopyFileA(name, StagingPath, TRUE)) {
    *code = GetLastError();
    if (*code == ERROR_FILE_EXISTS) {
      if (!NextStaging()) return kNoNameLeft;
      continue;
    }
    DiscardStaging();
    if (!PauseBeforeRetry(*code, attempt++)) return kCopyFailed;
  }
  return kCopied;
}

// Renames the staging copy over the target in one step, made writable
// first when the unit was read-only. Returns false with *code set when that
// fails.
bool PutInPlace(DWORD sourceAttributes, DWORD *code) {
  const bool readOnly = (sourceAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly && !MakeWritable(StagingPath, sourceAttributes)) {
    *code = GetLastError();
    return false;
  }
  for (int attempt = 1; !MoveFileExA(StagingPath, TargetPath, MOVEFILE_REPLACE_EXISTING);
       ++attempt) {
    *code = GetLastError();
    if (TargetRefusesForGood() || !PauseBeforeRetry(*code, attempt)) return false;
  }
  return true;
}

}  // namespace

void BeginMoves() {
  PausesLeft = kRetryPausesPerRun;
  ForgetMovedNames();
}

UnitFate MoveUnit(const UnitMatch &match, LeftReason *reason, DWORD *error) {
  const WIN32_FIND_DATAA &found = match.found;
  // The search matches folders too; they cannot be copied as files and stay.
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return kNotAUnit;
  const char *name = found.cFileName;
  // A name that is not the entry's own reaches another file, or none.
  LeftReason unreachable = kLeftNameNotExact;
  if (!match.exact || !NameIsReachable(match.name, &unreachable))
    return Leave(unreachable, ERROR_SUCCESS, reason, error);
  LeftReason noStaging = kLeftPathTooLong;
  if (!StagingReady(&noStaging))
    return FateOfUncopied(found, noStaging, ERROR_SUCCESS, reason, error);
  if (!WriteWithin(TargetPath, kTargetPathSize, NameSlot, name)) {
    *NameSlot = '\0';
    return FateOfUncopied(found, kLeftPathTooLong, ERROR_SUCCESS, reason, error);
  }
  if (KnownTargetPlace() == kPlaceWorkDir)
    return FateOfUncopied(found, kLeftTargetIsSource, ERROR_SUCCESS, reason, error);
  // Two units whose names differ only in case would end under one name.
  const NameMemory memory = LookUpMovedName(match.name);
  if (memory != kNameNew)
    return FateOfUncopied(found, memory == kNameTaken ? kLeftNameTaken : kLeftNoRoomForName,
                          ERROR_SUCCESS, reason, error);

  DWORD code = ERROR_SUCCESS;
  switch (CopyToStaging(name, &code)) {
    case kCopied:
      break;
    case kCopyFailed:
      return FateOfUncopied(found, kLeftOnError, code, reason, error);
    case kNoNameLeft:
      return FateOfUncopied(found, kLeftNoStagingName, ERROR_SUCCESS, reason, error);
  }
  const TargetPlace place = LocateTarget(&code);
  if (place != kPlaceElsewhere) {
    DiscardStaging();
    return Leave(place == kPlaceWorkDir ? kLeftTargetIsSource : kLeftOnError, code, reason, error);
  }
  if (!PutInPlace(found.dwFileAttributes, &code)) {
    DiscardStaging();
    return Leave(kLeftOnError, code, reason, error);
  }
  // A source that cannot be deleted (read-only, or in use) stays where it
  // is; its copy stands, so it counts as moved.
  RememberMovedName();
  DeleteFileA(name);
  return kUnitMoved;
}
