#pragma once
// UTF-8 text: cut without splitting a character, and read strictly into
// UTF-16. The program's own texts are UTF-8 wherever the code page is, and
// names are UTF-8 wherever the code page is UTF-8, as the manifest asks.
#include <cstddef>

#include "platform/win32_api.h"

// U+FFFD, which stands for what could not be read.
constexpr WCHAR kReplacementCharacter = 0xFFFD;

bool IsUtf8Continuation(char c);

// Where a cut before text[cut] (which must be within the text) leaves whole
// UTF-8 characters: before the lead byte of a character that the cut would
// split, else at the cut. Text in another code page, which holds no such
// split sequence, is cut where asked.
size_t WholeCharacters(const char *text, size_t cut);

// Decodes UTF-8 text, terminator included, into at most `size` code units.
// False for text that is no valid UTF-8 (a stray or overlong byte, an
// encoded surrogate) or that does not fit.
bool DecodeUtf8(const char *text, WCHAR *wide, size_t size);
