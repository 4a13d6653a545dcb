// The move of one unit never exposes a partial file under a unit's name in
// the target directory, and never deletes a source whose copy does not
// stand: the source is copied to a staging file that the copy itself
// creates, the copy of a read-only unit is made writable, the copy is
// flushed to the disk and renamed over the target in one step, and only
// then is the source deleted, so that not even a power cut loses it. When
// any step fails, the staging file is removed and the target keeps exactly
// what it held.
#include "install/move_unit.h"

#include <cstring>

#include "install/names/moved_names.h"
#include "install/names/name_rules.h"
#include "install/names/short_names.h"
#include "install/paths.h"
#include "install/staging.h"
#include "text/bounded.h"

namespace {

// A momentary refusal is tried again after a pause, a few times a step, and
// only so many times a run, so that a folder that refuses every unit for
// good costs little time.
constexpr int kAttemptsPerStep = 4;
constexpr DWORD kRetryPauseMs = 10;
constexpr int kRetryPausesPerRun = 100;
int PausesLeft = kRetryPausesPerRun;

bool PauseBeforeRetry(DWORD error, int attempt) {
  if (!IsMomentaryRefusal(error) || attempt >= kAttemptsPerStep || PausesLeft == 0) return false;
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

MoveResult Left(LeftReason reason, DWORD error = ERROR_SUCCESS) {
  return {kUnitLeft, reason, error};
}

bool Vanished(const char *name) {
  return GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES &&
         GetLastError() == ERROR_FILE_NOT_FOUND;
}

// An entry that was not copied is left, unless it is gone: moved away
// meanwhile by another run. Gone means gone by its name and by its short
// name, in case paths reach it by the one and not the other.
MoveResult LeftUnlessGone(const WIN32_FIND_DATAA &found, LeftReason reason,
                          DWORD error = ERROR_SUCCESS) {
  if (Vanished(found.cFileName) &&
      (found.cAlternateFileName[0] == '\0' || Vanished(found.cAlternateFileName)))
    return {kUnitGone, reason, error};
  return Left(reason, error);
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

// Flushes the staging copy's data to the disk. A power cut keeps names in
// the order they were made, but a file's data only as of its last flush:
// a copy renamed over its unit unflushed, its source then deleted, could
// come back as zeros or nothing. CopyFileA gives no handle to its copy, so
// the copy is opened for the flush, which Windows takes only through a
// handle with write access (so a read-only copy is made writable first).
// Returns false with *code set when the open or the flush fails.
bool FlushStaging(DWORD *code) {
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  for (int attempt = 1;; ++attempt) {
    const HANDLE copy = CreateFileA(StagingPath, GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    bool flushed = false;
    if (copy != INVALID_HANDLE_VALUE) {
      flushed = FlushFileBuffers(copy) != FALSE;
      if (!flushed) *code = GetLastError();
      CloseHandle(copy);
    } else {
      *code = GetLastError();
    }
    if (flushed) return true;
    if (!PauseBeforeRetry(*code, attempt)) return false;
  }
}

// Flushes the staging copy, made writable first when the unit was
// read-only, and renames it over the target in one step. Returns false
// with *code set when that fails.
bool PutInPlace(DWORD sourceAttributes, DWORD *code) {
  const bool readOnly = (sourceAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly && !MakeWritable(StagingPath, sourceAttributes)) {
    *code = GetLastError();
    return false;
  }
  if (!FlushStaging(code)) return false;
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

MoveResult MoveUnit(const UnitMatch &match) {
  const WIN32_FIND_DATAA &found = match.found;
  // The search matches folders too; they cannot be copied as files and stay.
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {kNotAUnit, kLeftOnError, 0};
  const char *name = found.cFileName;
  // A name that is not the entry's own reaches another file, or none.
  LeftReason reason = kLeftNameNotExact;
  if (!NameIsOwn(match, &reason)) return Left(reason);
  if (!StagingReady(&reason)) return LeftUnlessGone(found, reason);
  if (!WriteWithin(TargetPath, kTargetPathSize, NameSlot, name)) {
    *NameSlot = '\0';
    return LeftUnlessGone(found, kLeftPathTooLong);
  }
  if (KnownTargetPlace() == kPlaceWorkDir) return LeftUnlessGone(found, kLeftTargetIsSource);
  // A name of a short name's form may reach another entry of the target
  // directory by that entry's short name: the rename would replace it.
  if (CouldBeShortName(match.name)) {
    DWORD error = ERROR_SUCCESS;
    const ShortNameLook look = LookThroughShortName(TargetPath, match.name, &error);
    if (look == kAnotherEntry) return LeftUnlessGone(found, kLeftShortNameTaken);
    if (look == kLookFailed) return LeftUnlessGone(found, kLeftOnError, error);
  }
  // Two units whose names differ only in case would end under one name.
  const NameMemory memory = LookUpMovedName(match.name);
  if (memory != kNameNew)
    return LeftUnlessGone(found, memory == kNameTaken ? kLeftNameTaken : kLeftNoRoomForName);

  DWORD code = ERROR_SUCCESS;
  switch (CopyToStaging(name, &code)) {
    case kCopied:
      break;
    case kCopyFailed:
      return LeftUnlessGone(found, kLeftOnError, code);
    case kNoNameLeft:
      return LeftUnlessGone(found, kLeftNoStagingName);
  }
  const TargetPlace place = LocateTarget(&code);
  if (place != kPlaceElsewhere) {
    DiscardStaging();
    return Left(place == kPlaceWorkDir ? kLeftTargetIsSource : kLeftOnError, code);
  }
  if (!PutInPlace(found.dwFileAttributes, &code)) {
    DiscardStaging();
    return Left(kLeftOnError, code);
  }
  // A source that cannot be deleted (read-only, or in use) stays where it
  // is; its copy stands, so it counts as moved.
  RememberMovedName();
  DeleteFileA(name);
  return {kUnitMoved, kLeftOnError, ERROR_SUCCESS};
}
