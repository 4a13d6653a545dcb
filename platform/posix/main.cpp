// The stand-in's process start-up: records the command line, then enters the
// program as Windows would and exits with its result.
#include "platform/posix/command_line.h"
#include "platform/win32_api.h"

namespace {
// Stands in for the module handle, which the program does not use.
char ModuleImage;
}  // namespace

int main(int argc, char **argv) {
  const size_t tail = RecordCommandLine(argc, argv);
  return WinMain(&ModuleImage, nullptr, GetCommandLineA() + tail, SW_SHOWDEFAULT);
}
