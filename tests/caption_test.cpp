#include "messages/caption.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct CaptionCase {
  const char *commandLine;
  const char *caption;
};

std::string Caption(const char *commandLine) {
  char caption[kCaptionSize];
  DeriveCaption(commandLine, caption);
  return caption;
}

const CaptionCase kCases[] = {
    // The worked examples.
    {"\"C:\\Kit\\install.exe\" ", "install.exe"},
    {"\"C:\\Kit\\install.exe\"", "install.exe"},
    {"install", "install"},
    {"\"install.exe\"", "\"install.exe"},
    {"\"C:\\Kit\\install.exe\" /q", "install.exe\" /q"},
    {"install D:\\Units\\new", "new"},
    {"C:\\Kit\\", "Error"},
    // One blank, then one quote, only at the end.
    {"\"C:\\Kit\\install.exe\"  ", "install.exe\" "},
    {"\" \"install\"", "\" \"install"},
    {" ", "Error"},
    {"   ", "  "},
    {"\"", "Error"},
    {"\" ", "Error"},
    {"", "Error"},
    // A leading number is skipped; white space and a sign may precede it.
    {"123install", "install"},
    {"\t12abc", "abc"},
    {"  install", "  install"},
    {"12", "Error"},
    {"-7x", "x"},
    {" +42 y", " y"},
    {"- 12x", "- 12x"},
    {"+", "+"},
    {"12\\ab", "ab"},
    // Cut to 32 bytes before trimming.
    {"C:\\a\\abcdefghijklmnopqrstuvwxyz0123456789.exe", "abcdefghijklmnopqrstuvwxyz012345"},
    {"abcdefghijklmnopqrstuvwxyz01234\" tail", "abcdefghijklmnopqrstuvwxyz01234"},
    {"abcdefghijklmnopqrstuvwxyz0123 \" tail", "abcdefghijklmnopqrstuvwxyz0123 "},
    // Never inside a UTF-8 character: é is 2 bytes, € 3, 😀 4; text in
    // another code page, with no such character split, is cut at 32.
    {"install "
     "\\a\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
     "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
     "a\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3"
     "\xA9"
     "\xC3\xA9\xC3\xA9\xC3\xA9"},
    {"abcdefghijklmnopqrstuvwxyz0123\xE2\x82\xAC", "abcdefghijklmnopqrstuvwxyz0123"},
    {"abcdefghijklmnopqrstuvwxyz012\xF0\x9F\x98\x80", "abcdefghijklmnopqrstuvwxyz012"},
    {"abcdefghijklmnopqrstuvwxyz01234\xA9\xA9", "abcdefghijklmnopqrstuvwxyz01234\xA9"},
};

class CaptionRule : public testing::TestWithParam<CaptionCase> {};

TEST_P(CaptionRule, FollowsTheCommandLine) {
  EXPECT_EQ(Caption(GetParam().commandLine), GetParam().caption)
      << "[" << GetParam().commandLine << "]";
}

INSTANTIATE_TEST_SUITE_P(Examples, CaptionRule, testing::ValuesIn(kCases));

TEST(CaptionRule, NeverExceedsItsBufferOnLongInput) {
  const std::string longLine(100000, 'x');
  char caption[kCaptionSize + 1];
  caption[kCaptionSize] = '#';
  DeriveCaption(longLine.c_str(), *reinterpret_cast<char(*)[kCaptionSize]>(caption));
  EXPECT_EQ(std::string(caption), std::string(kCaptionMaxLength, 'x'));
  EXPECT_EQ(caption[kCaptionSize], '#');
}

}  // namespace
