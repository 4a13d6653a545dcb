#pragma once
// Cutting text without splitting a UTF-8 character: the program's texts are
// UTF-8 wherever the code page is, as the manifest asks.
#include <cstddef>

bool IsUtf8Continuation(char c);

// Where a cut before text[cut] (which must be within the text) leaves whole
// UTF-8 characters: before the lead byte of a character that the cut would
// split, else at the cut. Text in another code page, which holds no such
// split sequence, is cut where asked.
size_t WholeCharacters(const char *text, size_t cut);
