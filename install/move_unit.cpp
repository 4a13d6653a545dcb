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

// An entry that was not copied is left, unless it is gone: moved away
// meanwhile by another run.
UnitFate FateOfUncopied(const WIN32_FIND_DATAA &found, LeftReason why, DWORD code,
                        LeftReason *reason, DWORD *error) {
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

// Returns false with *code set when the copy fails.
bool CopyToStaging(const char *name, DWORD *code) {
  for (int attempt = 1; !CopyFileA(name, StagingPath, FALSE); ++attempt) {
    *code = GetLastError();
    if (!PauseBeforeRetry(*code, attempt)) return false;
  }
  return true;
}

// Renames the staging copy, made writable, over the target in one step.
// Returns false with *code set when that fails.
bool PutInPlace(DWORD *code) {
  if (!MakeWritable(StagingPath)) {
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

void BeginMoves() { PausesLeft = kRetryPausesPerRun; }

UnitFate MoveUnit(const WIN32_FIND_DATAA &found, LeftReason *reason, DWORD *error) {
  // The search matches folders too; they cannot be copied as files and stay.
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return kNotAUnit;
  const char *name = found.cFileName;
  if (StagingPath[0] == '\0' || !WriteWithin(TargetPath, kTargetPathSize, NameSlot, name)) {
    *NameSlot = '\0';
    return FateOfUncopied(found, kLeftPathTooLong, ERROR_SUCCESS, reason, error);
  }
  if (KnownTargetPlace() == kPlaceWorkDir)
    return FateOfUncopied(found, kLeftTargetIsSource, ERROR_SUCCESS, reason, error);

  DWORD code = ERROR_SUCCESS;
  if (!CopyToStaging(name, &code)) {
    DiscardStaging();
    return FateOfUncopied(found, kLeftOnError, code, reason, error);
  }
  const TargetPlace place = LocateTarget(&code);
  if (place != kPlaceElsewhere) {
    DiscardStaging();
    return Leave(place == kPlaceWorkDir ? kLeftTargetIsSource : kLeftOnError, code, reason, error);
  }
  if (!PutInPlace(&code)) {
    DiscardStaging();
    return Leave(kLeftOnError, code, reason, error);
  }
  // A source that cannot be deleted (read-only, or in use) stays where it
  // is; its copy stands, so it counts as moved.
  DeleteFileA(name);
  return kUnitMoved;
}
