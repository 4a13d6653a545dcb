#include "text/spelling.h"

#include <cstring>

#include "text/utf8.h"

namespace {

bool IsLeadByte(const Spelling &spelling, unsigned char byte) {
  for (size_t i = 0; i + 1 < kLeadRangeBytes && spelling.leadRanges[i] != 0; i += 2)
    if (byte >= spelling.leadRanges[i] && byte <= spelling.leadRanges[i + 1]) return true;
  return false;
}

// The bytes of the double-byte character at `at`; a lead byte without a
// second one stands alone.
size_t CharacterLength(const Spelling &spelling, const char *at) {
  return IsLeadByte(spelling, static_cast<unsigned char>(*at)) && at[1] != '\0' ? 2 : 1;
}

}  // namespace

size_t WholeCharacters(const Spelling &spelling, const char *text, size_t cut) {
  if (spelling.kind == Spelling::kUtf8) return WholeCharacters(text, cut);
  if (spelling.kind == Spelling::kSingleByte) return cut;
  size_t whole = 0;
  while (whole < cut) {
    const size_t next = whole + CharacterLength(spelling, text + whole);
    if (next > cut) break;
    whole = next;
  }
  return whole;
}

const char *LastCharacter(const Spelling &spelling, const char *text, char byte) {
  // In UTF-8 and in single-byte text, no byte below 0x40 is part of another
  // character.
  if (spelling.kind != Spelling::kDoubleByte) return strrchr(text, byte);
  const char *last = nullptr;
  for (const char *at = text; *at != '\0'; at += CharacterLength(spelling, at))
    if (*at == byte) last = at;
  return last;
}
