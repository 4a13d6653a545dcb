#pragma once
// Moves every file of the working directory that matches a pattern into a
// subdirectory of InstallRoot, one file at a time, not recursive. A source
// is deleted only once its copy stands under its own name in the target.
#include "install/terms.h"

// subdirectory is appended unchanged to InstallRoot, so it begins with a
// backslash. On return the current directory is WorkDir again, unless
// walkSkipped reports that it could not be entered. The outcome lives in
// static storage until the next call.
const TransferOutcome &TransferFiles(const char *pattern, const char *subdirectory);
