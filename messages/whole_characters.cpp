#include "messages/whole_characters.h"

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

size_t WholeCharacters(const char *text, size_t cut) {
  if (!IsUtf8Continuation(text[cut])) return cut;
  for (size_t back = 1; back <= 3 && back <= cut; ++back) {
    const unsigned char lead = static_cast<unsigned char>(text[cut - back]);
    if (IsUtf8Continuation(static_cast<char>(lead))) continue;
    const size_t size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return size > back ? cut - back : cut;
  }
  return cut;
}
