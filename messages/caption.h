#pragma once
// The caption rule: a message box is titled with the name under which the
// program was started, taken from its command line.
#include "text/spelling.h"

// At most this many bytes of the command line make the caption.
constexpr int kCaptionMaxLength = 32;
constexpr int kCaptionSize = kCaptionMaxLength + 1;

extern const char kFallbackCaption[];

// Writes the caption for commandLine, spelled as `spelling` says, into
// caption, always terminated: a backslash is one only where it stands as a
// character of its own, and a cut never splits a character.
void DeriveCaption(const char *commandLine, const Spelling &spelling,
                   char (&caption)[kCaptionSize]);
