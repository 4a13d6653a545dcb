#include "messages/caption.h"

#include <cstring>

const char kFallbackCaption[] = "Error";

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A command line that opens with a decimal number (after white space, with
// an optional sign) is scanned from just after the number; any other from
// its very first character.
const char *ScanStart(const char *commandLine) {
  const char *p = commandLine;
  while (IsSpace(*p)) ++p;
  if (*p == '+' || *p == '-') ++p;
  if (!IsDigit(*p)) return commandLine;
  while (IsDigit(*p)) ++p;
  return p;
}

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Where a cut before text[cut] leaves whole UTF-8 characters: before the
// lead byte of a character that the cut would split, else at the cut. Text
// in another code page, which holds no such split sequence, is cut as is.
size_t WholeCharacters(const char *text, size_t cut) {
  if (!IsContinuation(text[cut])) return cut;
  for (size_t back = 1; back <= 3 && back <= cut; ++back) {
    const unsigned char lead = static_cast<unsigned char>(text[cut - back]);
    if (IsContinuation(static_cast<char>(lead))) continue;
    const size_t size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return size > back ? cut - back : cut;
  }
  return cut;
}

}  // namespace

void DeriveCaption(const char *commandLine, char (&caption)[kCaptionSize]) {
  const char *source = ScanStart(commandLine);
  const char *lastBackslash = strrchr(source, '\\');
  if (lastBackslash != nullptr) source = lastBackslash + 1;

  size_t length = strnlen(source, kCaptionMaxLength);
  if (source[length] != '\0') length = WholeCharacters(source, length);
  memcpy(caption, source, length);
  if (length > 0 && caption[length - 1] == ' ') --length;
  if (length > 0 && caption[length - 1] == '"') --length;
  caption[length] = '\0';

  if (length == 0) memcpy(caption, kFallbackCaption, sizeof kFallbackCaption);
}
