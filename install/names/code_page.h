#pragma once
// The program's names and paths are ANSI strings. Where the ANSI code page
// is UTF-8 (as the manifest asks, and Windows 10 1903 and later grant), an
// ANSI string spells every name exactly. Where it is a legacy code page,
// Windows' ANSI calls give a look-alike for what the code page cannot hold
// ("..＼a.dcu" reads as "..\a.dcu"), so names are read in UTF-16 and only
// an exact ANSI form is ever used.
#include <cstddef>

#include "platform/win32_api.h"

bool AnsiIsUtf8();

// Writes the ANSI form of `wide`, without best fit, into at most `size`
// bytes. False when that form is not exactly `wide` again (ansi then holds
// what could be written, '?' for the rest) or does not fit.
bool ToAnsiExactly(const WCHAR *wide, char *ansi, size_t size);
