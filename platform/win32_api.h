#pragma once
// The one seam between the program and its platform. The program calls the
// platform by the platform's own names; on Windows they are the real Win32
// functions, elsewhere the declarations below, implemented either by the
// POSIX stand-in or by a test double, whichever the executable links.
#ifdef _WIN32
#include <windows.h>
#else
#include "platform/win32_decls.h"
#endif
