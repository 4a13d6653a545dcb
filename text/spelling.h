#pragma once
// How the active code page spells characters, for cutting text and for
// finding a byte that stands as a character of its own: UTF-8 (as the
// manifest asks), one byte a character, or two bytes for the characters of
// a double-byte code page (932, 936, 949, 950), which begin with a lead
// byte from the ranges that code page names. A double-byte character's
// second byte can be any byte from 0x40 on, a backslash among them, so
// such text is read from its start, never backwards.
#include <cstddef>

constexpr size_t kLeadRangeBytes = 12;

struct Spelling {
  enum Kind { kUtf8, kSingleByte, kDoubleByte } kind;
  // First and last lead byte of each range, up to a pair of zeros.
  unsigned char leadRanges[kLeadRangeBytes];
};

// The active code page's spelling, as the platform gives it. A code page
// it cannot tell is taken for one byte a character.
Spelling ActiveSpelling();

// Where a cut at most `cut` bytes into text (within it, or at its end)
// leaves whole characters: at the cut, or before the character it splits.
size_t WholeCharacters(const Spelling &spelling, const char *text, size_t cut);

// The last place where `byte` (below 0x40) stands in text as a character
// of its own; nullptr when it stands nowhere.
const char *LastCharacter(const Spelling &spelling, const char *text, char byte);
