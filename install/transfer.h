#pragma once
// Moves every file of the working directory that matches a pattern into a
// subdirectory of InstallRoot: copy, then delete the source once the copy
// stands. Never a rename, one file at a time, not recursive.

struct TransferOutcome {
  // Matched entries that are not directories and could not be copied into
  // the target: they are still in the working folder.
  unsigned unitsLeft;
  // The search ended on an error instead of at its last match, so further
  // units may be left in the working folder.
  bool searchBroken;
  // WorkDir could not be made current again; the walk was skipped and no
  // file was touched.
  bool walkSkipped;
};

// subdirectory is appended unchanged to InstallRoot, so it begins with a
// backslash. On return the current directory is WorkDir again, unless
// walkSkipped reports that it could not be entered.
TransferOutcome TransferFiles(const char *pattern, const char *subdirectory);
