#include "install/transfer.h"

#include <cstring>

#include "install/paths.h"

namespace {

// Writes text at `at` inside TargetPath, terminator included. Returns false,
// writing nothing, when it would not fit.
bool WriteIntoTarget(char *at, const char *text) {
  const size_t room = static_cast<size_t>(TargetPath + kTargetPathSize - at);
  const size_t length = strlen(text);
  if (length >= room) return false;
  memcpy(at, text, length + 1);
  return true;
}

bool AppendToTarget(const char *text) {
  return WriteIntoTarget(TargetPath + strlen(TargetPath), text);
}

bool IsDirectory(const WIN32_FIND_DATAA &found) {
  return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A search that stops for any reason but having run out of matches has not
// seen the whole folder.
bool SearchRanToEnd() {
  const DWORD error = GetLastError();
  return error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND;
}

// Copies one match to its target path and deletes the source once the copy
// stands. A source whose copy failed is never deleted. Returns whether the
// unit is in the target directory; a source that cannot be deleted after a
// good copy (read-only, say) still counts as installed.
bool MoveOne(const WIN32_FIND_DATAA &found, bool targetFormed) {
  if (!targetFormed || !WriteIntoTarget(NameSlot, found.cFileName)) {
    *NameSlot = '\0';
    return false;
  }
  if (!CopyFileA(found.cFileName, TargetPath, FALSE)) return false;
  DeleteFileA(found.cFileName);
  return true;
}

}  // namespace

TransferOutcome TransferFiles(const char *pattern, const char *subdirectory) {
  TransferOutcome outcome = {0, false, false};

  TargetPath[0] = '\0';
  bool targetFormed = AppendToTarget(InstallRoot) && AppendToTarget(subdirectory);

  // Probe for the target directory by entering it; create it when that fails.
  if (targetFormed && !SetCurrentDirectoryA(TargetPath)) CreateDirectoryA(TargetPath, nullptr);

  // The search and every source name are relative to the working directory.
  // Searching anywhere else could copy the target's files onto themselves.
  if (!SetCurrentDirectoryA(WorkDir)) {
    outcome.walkSkipped = true;
    return outcome;
  }

  targetFormed = targetFormed && AppendToTarget("\\");
  NameSlot = TargetPath + strlen(TargetPath);

  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) {
    outcome.searchBroken = !SearchRanToEnd();
    return outcome;
  }
  do {
    if (!MoveOne(found, targetFormed) && !IsDirectory(found)) ++outcome.unitsLeft;
  } while (FindNextFileA(search, &found));
  outcome.searchBroken = !SearchRanToEnd();
  FindClose(search);
  return outcome;
}
