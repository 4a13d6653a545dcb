#include "messages/caption.h"

#include <cstring>

#include "text/spelling.h"

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

}  // namespace

void DeriveCaption(const char *commandLine, const Spelling &spelling,
                   char (&caption)[kCaptionSize]) {
  const char *source = ScanStart(commandLine);
  const char *lastBackslash = LastCharacter(spelling, source, '\\');
  if (lastBackslash != nullptr) source = lastBackslash + 1;

  size_t length = strnlen(source, kCaptionMaxLength);
  if (source[length] != '\0') length = WholeCharacters(spelling, source, length);
  memcpy(caption, source, length);
  if (length > 0 && caption[length - 1] == ' ') --length;
  if (length > 0 && caption[length - 1] == '"') --length;
  caption[length] = '\0';

  if (length == 0) memcpy(caption, kFallbackCaption, sizeof kFallbackCaption);
}
