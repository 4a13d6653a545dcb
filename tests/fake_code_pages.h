#pragma once
// The legacy code pages of the platform double, one character at a time:
// 1252 from Wine's own table (tests/cp1252.inc), and 932, double-byte, from
// glibc's CP932 with the single bytes Microsoft's table adds. The double's
// ANSI calls and conversions are made of these; the test
// double_vs_wine_tables holds both to Wine's answers.
#include <string>

namespace fake {

// How a code page gives a UTF-16 code unit: in bytes that read back as
// it, in bytes of a look-alike (Windows' best fit, which only 1252 models
// here), or not at all.
enum Fit { kExact, kBestFit, kNoBytes };
Fit EncodeUnit(unsigned codePage, char16_t unit, std::string *bytes);

// Reads the character at ansi[*at] and moves past it; false, moving one
// byte, for bytes that spell no character.
bool DecodeCharacter(unsigned codePage, const std::string &ansi, size_t *at, char16_t *unit);

// Whether a byte leads a two-byte character.
bool IsLeadByte(unsigned codePage, unsigned char byte);

}  // namespace fake
