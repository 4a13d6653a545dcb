#include "tests/fake_code_pages.h"

#include <iconv.h>

#include <algorithm>

namespace fake {

namespace {

struct Cp1252Unit {
  char16_t unit;
  unsigned char byte;
};
#include "tests/cp1252.inc"

constexpr unsigned kCp932 = 932;

// Single bytes Microsoft's 932 spells these units with, which glibc's
// CP932 leaves out; of them only 0x80 reads back (the others are refused
// as no character, as Wine refuses them).
const struct {
  unsigned char byte;
  char16_t unit;
  bool readsBack;
} kCp932Extras[] = {{0x80, 0x0080, true},
                    {0xA0, 0xF8F0, false},
                    {0xFD, 0xF8F1, false},
                    {0xFE, 0xF8F2, false},
                    {0xFF, 0xF8F3, false}};

// One conversion through glibc; false when it has no answer.
bool Convert(iconv_t converter, const char *in, size_t length, std::string *out) {
  char buffer[8];
  char *from = const_cast<char *>(in), *to = buffer;
  size_t left = length, room = sizeof buffer;
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  if (iconv(converter, &from, &left, &to, &room) == static_cast<size_t>(-1) || left != 0)
    return false;
  out->assign(buffer, to);
  return true;
}

bool Decode932(const std::string &bytes, char16_t *unit) {
  static const iconv_t decoder = iconv_open("UTF-16LE", "CP932");
  for (const auto &extra : kCp932Extras)
    if (bytes.size() == 1 && static_cast<unsigned char>(bytes[0]) == extra.byte)
      return extra.readsBack && (*unit = extra.unit, true);
  std::string wide;
  if (!Convert(decoder, bytes.data(), bytes.size(), &wide) || wide.size() != 2) return false;
  *unit = static_cast<char16_t>(static_cast<unsigned char>(wide[0]) |
                                static_cast<unsigned char>(wide[1]) << 8);
  return true;
}

// glibc also spells some units by bytes that read as another (U+00A5 as
// 0x5C): only bytes that read back as the unit spell it.
Fit Encode932(char16_t unit, std::string *bytes) {
  static const iconv_t encoder = iconv_open("CP932", "UTF-16LE");
  for (const auto &extra : kCp932Extras)
    if (unit == extra.unit) return *bytes = std::string(1, static_cast<char>(extra.byte)), kExact;
  const char wide[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  char16_t back = 0;
  if (!Convert(encoder, wide, sizeof wide, bytes) || !Decode932(*bytes, &back) || back != unit)
    return kNoBytes;
  return kExact;
}

Fit Encode1252(char16_t unit, std::string *bytes) {
  const Cp1252Unit *end = kCp1252Units + sizeof kCp1252Units / sizeof kCp1252Units[0];
  const Cp1252Unit *it = std::lower_bound(
      kCp1252Units, end, unit, [](const Cp1252Unit &entry, char16_t u) { return entry.unit < u; });
  if (it == end || it->unit != unit) return kNoBytes;
  *bytes = std::string(1, static_cast<char>(it->byte));
  return kCp1252Bytes[it->byte] == unit ? kExact : kBestFit;
}

}  // namespace

Fit EncodeUnit(unsigned codePage, char16_t unit, std::string *bytes) {
  return codePage == kCp932 ? Encode932(unit, bytes) : Encode1252(unit, bytes);
}

bool IsLeadByte(unsigned codePage, unsigned char byte) {
  return codePage == kCp932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

bool DecodeCharacter(unsigned codePage, const std::string &ansi, size_t *at, char16_t *unit) {
  const unsigned char byte = static_cast<unsigned char>(ansi[*at]);
  if (codePage != kCp932) {
    ++*at;
    *unit = kCp1252Bytes[byte];
    return true;
  }
  const size_t length = IsLeadByte(codePage, byte) && *at + 1 < ansi.size() ? 2 : 1;
  const bool read = Decode932(ansi.substr(*at, length), unit);
  *at += read ? length : 1;
  return read;
}

}  // namespace fake
