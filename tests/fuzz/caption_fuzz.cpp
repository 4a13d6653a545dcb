// libFuzzer target for the caption rule. It checks properties that follow
// from what a caption is, not the rule's steps: it stays in bounds, it is 1
// to 32 bytes, it is a piece of the command line, and "Error" stands only
// where nothing but blanks and quotes would be left to show.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "messages/caption.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The command line has something to show: after its last backslash, or
// after a leading number when it has none, a byte that is neither the one
// trailing blank nor the one trailing quote that the rule trims.
bool HasSomethingToShow(const std::string &line) {
  std::string tail = line;
  const size_t backslash = line.rfind('\\');
  if (backslash != std::string::npos) {
    tail = line.substr(backslash + 1);
  } else {
    size_t p = line.find_first_not_of(" \t\n\v\f\r");
    if (p != std::string::npos && (line[p] == '+' || line[p] == '-')) ++p;
    if (p != std::string::npos && p < line.size() && IsDigit(line[p])) {
      while (p < line.size() && IsDigit(line[p])) ++p;
      tail = line.substr(p);
    }
  }
  tail = tail.substr(0, kCaptionMaxLength);
  if (!tail.empty() && tail.back() == ' ') tail.pop_back();
  if (!tail.empty() && tail.back() == '"') tail.pop_back();
  return !tail.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // The command line is a C string: cut at the first NUL, and give it an
  // exact-size heap block so that any read past its end is caught.
  const size_t length = strnlen(reinterpret_cast<const char *>(data), size);
  char *line = static_cast<char *>(malloc(length + 1));
  memcpy(line, data, length);
  line[length] = '\0';

  char caption[kCaptionSize];
  DeriveCaption(line, Spelling{Spelling::kUtf8, {}}, caption);
  const size_t captionLength = strnlen(caption, kCaptionSize);
  if (captionLength < 1 || captionLength > kCaptionMaxLength) abort();
  const std::string text(line, length);
  if (strcmp(caption, kFallbackCaption) == 0) {
    if (HasSomethingToShow(text) && text.find(kFallbackCaption) == std::string::npos) abort();
  } else {
    if (text.find(caption) == std::string::npos) abort();
    if (!HasSomethingToShow(text)) abort();
  }
  // In code page 932, a caption is a piece of the command line too, in
  // bounds, and ends on a whole character: read from its start, no
  // character runs past its end.
  const Spelling cp932{Spelling::kDoubleByte, {0x81, 0x9F, 0xE0, 0xFC}};
  DeriveCaption(line, cp932, caption);
  const size_t wideLength = strnlen(caption, kCaptionSize);
  if (wideLength < 1 || wideLength > kCaptionMaxLength) abort();
  if (strcmp(caption, kFallbackCaption) != 0 && text.find(caption) == std::string::npos) abort();
  if (WholeCharacters(cp932, caption, wideLength) != wideLength) abort();
  free(line);
  return 0;
}
