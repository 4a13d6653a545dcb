#pragma once
// The caption rule: a message box is titled with the name under which the
// program was started, taken from its command line.

// At most this many bytes of the command line make the caption.
constexpr int kCaptionMaxLength = 32;
constexpr int kCaptionSize = kCaptionMaxLength + 1;

extern const char kFallbackCaption[];

// Writes the caption for commandLine into caption, always terminated.
void DeriveCaption(const char *commandLine, char (&caption)[kCaptionSize]);
