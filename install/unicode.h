#pragma once
// UTF-16 names as Windows compares them, and UTF-8 read strictly.
#include <cstddef>

#include "platform/win32_api.h"

constexpr WCHAR kReplacementCharacter = 0xFFFD;

// Decodes UTF-8 text, terminator included, into at most `size` code units.
// False for text that is no valid UTF-8 (a stray or overlong byte, an
// encoded surrogate) or that does not fit.
bool DecodeUtf8(const char *text, WCHAR *wide, size_t size);

// The code unit that Windows compares a name's code unit as: its simple
// uppercase, one unit at a time, as NTFS and Wine fold names.
WCHAR UpperCase(WCHAR unit);
