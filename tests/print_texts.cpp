// Prints every text the installer's box can show, one a line: its key, a
// tab, the text. Tests outside the program read the texts from it by key
// instead of spelling them out.
//   print_texts                 the program's texts
//   print_texts --errors CODE...  the platform's own text for each error code,
//                               "<code> <text>" a line, as the box shows it
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "install/texts.h"
#include "platform/win32_api.h"

int main(int argc, char **argv) {
  if (argc > 1 && strcmp(argv[1], "--errors") == 0) {
    for (int i = 2; i < argc; ++i) {
      char text[512];
      const DWORD code = static_cast<DWORD>(strtoul(argv[i], nullptr, 10));
      DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, code, 0, text, sizeof text, nullptr);
      while (length > 0 && strchr("\r\n ", text[length - 1]) != nullptr) --length;
      if (length > 0)
        printf("%lu %.*s\n", static_cast<unsigned long>(code), static_cast<int>(length), text);
    }
    return 0;
  }
  for (int key = 0; key < kTextCount; ++key)
    printf("%s\t%s\n", KeyNameOf(static_cast<TextKey>(key)), TextOf(static_cast<TextKey>(key)));
  return 0;
}
