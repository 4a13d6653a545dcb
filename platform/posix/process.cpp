// The process id, as Windows gives it to the program.
#include <unistd.h>

#include "platform/win32_api.h"

extern "C" DWORD GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }
