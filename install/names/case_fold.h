#pragma once
// Names as Windows compares them: code unit by code unit, each folded to
// its simple uppercase, as NTFS and Wine fold names.
#include "platform/win32_api.h"

WCHAR UpperCase(WCHAR unit);
