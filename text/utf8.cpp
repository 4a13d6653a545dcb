#include "text/utf8.h"

#include <cstdint>

namespace {

constexpr std::uint32_t kLastCodePoint = 0x10FFFF;
constexpr std::uint32_t kFirstSupplementary = 0x10000;
constexpr std::uint32_t kHighSurrogate = 0xD800;
constexpr std::uint32_t kLowSurrogate = 0xDC00;
constexpr std::uint32_t kLastSurrogate = 0xDFFF;

// Reads one UTF-8 sequence at *text into *point and moves past it; false
// for a sequence that is no valid UTF-8.
bool NextCodePoint(const unsigned char **text, std::uint32_t *point) {
  const unsigned char lead = **text;
  int trailing = 0;
  std::uint32_t least = 0;
  if (lead < 0x80) {
    *point = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    *point = lead & 0x1F, trailing = 1, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    *point = lead & 0x0F, trailing = 2, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    *point = lead & 0x07, trailing = 3, least = kFirstSupplementary;
  } else {
    return false;
  }
  ++*text;
  for (int i = 0; i < trailing; ++i, ++*text) {
    if (!IsUtf8Continuation(static_cast<char>(**text))) return false;
    *point = (*point << 6) | (**text & 0x3F);
  }
  return *point >= least && *point <= kLastCodePoint &&
         (*point < kHighSurrogate || *point > kLastSurrogate);
}

}  // namespace

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

bool DecodeUtf8(const char *text, WCHAR *wide, size_t size) {
  const unsigned char *at = reinterpret_cast<const unsigned char *>(text);
  for (size_t length = 0;;) {
    std::uint32_t point = 0;
    if (!NextCodePoint(&at, &point)) return false;
    const bool pair = point >= kFirstSupplementary;
    if (length + (pair ? 2 : 1) > size) return false;
    if (pair) {
      point -= kFirstSupplementary;
      wide[length++] = static_cast<WCHAR>(kHighSurrogate + (point >> 10));
      wide[length++] = static_cast<WCHAR>(kLowSurrogate + (point & 0x3FF));
      continue;
    }
    wide[length++] = static_cast<WCHAR>(point);
    if (point == 0) return true;
  }
}
