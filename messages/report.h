#pragma once
// Shows a text to the user in a modal box with one OK button and returns
// once the box has been dismissed. The caption follows the command line;
// `icon` is 0 (none), MB_ICONWARNING or MB_ICONERROR.
#include "platform/win32_api.h"

void ReportMessage(const char *text, UINT icon);
