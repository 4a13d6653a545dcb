// Prints every text the installer's box can show, one a line: its key, a
// tab, the text. Tests outside the program read the texts from it by key
// instead of spelling them out.
#include <cstdio>

#include "install/texts.h"

int main() {
  for (int key = 0; key < kTextCount; ++key)
    printf("%s\t%s\n", KeyNameOf(static_cast<TextKey>(key)), TextOf(static_cast<TextKey>(key)));
  return 0;
}
