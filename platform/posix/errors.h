#pragma once
// The stand-in's last-error value, set from errno as Win32 would set it.
#include <string>

#include "platform/win32_api.h"

DWORD Win32ErrorFromErrno(int error);
// Sets the last error from errno and returns FALSE, for failure paths.
BOOL FailWithErrno();
BOOL FailWith(DWORD error);
// Sets the last error for a name that does not exist, as Windows tells
// the two apart: the file is missing, or already a folder on its way.
BOOL FailMissing(const std::string &path);
