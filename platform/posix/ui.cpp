// The command line and the message box of the stand-in. The box is one line
// on standard output, "<caption>: <text>", and is dismissed at once.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/posix/command_line.h"
#include "platform/win32_api.h"

namespace {
std::string CommandLine;
}

size_t RecordCommandLine(int argc, char **argv) {
  CommandLine.clear();
  size_t tail = 0;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) CommandLine += ' ';
    if (i == 1) tail = CommandLine.size();
    const bool quote = strpbrk(argv[i], " \t") != nullptr;
    if (quote) CommandLine += '"';
    for (const char *p = argv[i]; *p != '\0'; ++p) CommandLine += (*p == '/') ? '\\' : *p;
    if (quote) CommandLine += '"';
  }
  return argc > 1 ? tail : CommandLine.size();
}

extern "C" LPSTR GetCommandLineA(void) { return &CommandLine[0]; }

extern "C" int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
  printf("%s: %s\n", caption, text);
  fflush(stdout);
  return IDOK;
}
