// The process id, as Windows gives it to the program, and pauses.
#include <time.h>
#include <unistd.h>

#include "platform/win32_api.h"

extern "C" DWORD GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

extern "C" void Sleep(DWORD milliseconds) {
  constexpr long kNanosecondsPerMillisecond = 1000000;
  timespec pause{static_cast<time_t>(milliseconds / 1000),
                 static_cast<long>(milliseconds % 1000) * kNanosecondsPerMillisecond};
  while (nanosleep(&pause, &pause) != 0) {
  }
}
