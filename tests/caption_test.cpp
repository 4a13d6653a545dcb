#include "messages/caption.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct CaptionCase {
  const char *commandLine;
  const char *caption;
};

const Spelling kUtf8{Spelling::kUtf8, {}};
// Code page 932's: two bytes a character from a lead byte in 81-9F or E0-FC.
const Spelling kCp932{Spelling::kDoubleByte, {0x81, 0x9F, 0xE0, 0xFC}};

std::string Caption(const char *commandLine, const Spelling &spelling = kUtf8) {
  char caption[kCaptionSize];
  DeriveCaption(commandLine, spelling, caption);
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
  DeriveCaption(longLine.c_str(), kUtf8, *reinterpret_cast<char(*)[kCaptionSize]>(caption));
  EXPECT_EQ(std::string(caption), std::string(kCaptionMaxLength, 'x'));
  EXPECT_EQ(caption[kCaptionSize], '#');
}

// In code page 932 the second byte of a character can be 0x5C, a backslash
// alone: 表 is 95 5C, ソ 83 5C. The rule reads such text from its start, so
// that those are no backslashes, and cuts before a character that 32 bytes
// would split (漢 is 8A BF). Text of one byte a character is cut at 32.
TEST(CaptionRule, StepsOverWholeCharactersOfADoubleByteCodePage) {
  const struct {
    const char *commandLine, *caption;
  } cases[] = {
      {"\"C:\\Kit\\install.exe\" \x95\x5C\x8E\xA6\x97\x5C\x92\xE8",  // 表示予定
       "install.exe\" \x95\x5C\x8E\xA6\x97\x5C\x92\xE8"},
      {"\"C:\\Kit\\install.exe\" \x83\x5C", "install.exe\" \x83\x5C"},  // ソ
      {"\"C:\\Kit\\\x83\x5C\x83\x74\x83\x67\x93\xB1\x93\xFC\x83\x76\x83\x8D\x83\x4F\x83\x89\x83"
       "\x80\x95\x5C\x8E\xA6.exe\" ",  // ソフト導入プログラム表示.exe
       "\x83\x5C\x83\x74\x83\x67\x93\xB1\x93\xFC\x83\x76\x83\x8D\x83\x4F\x83\x89\x83\x80\x95\x5C"
       "\x8E"
       "\xA6.exe"},
  };
  for (const auto &c : cases) EXPECT_EQ(Caption(c.commandLine, kCp932), c.caption);
  std::string kanji;
  for (int i = 0; i < 16; ++i) kanji += "\x8A\xBF";
  const std::string name = "\"C:\\Kit\\a" + kanji + ".exe\" ";
  EXPECT_EQ(Caption(name.c_str(), kCp932), "a" + kanji.substr(0, 30))
      << "31 bytes, no lone lead byte";
  EXPECT_EQ(Caption(name.c_str(), Spelling{Spelling::kSingleByte, {}}), "a" + kanji.substr(0, 31));
  EXPECT_EQ(Caption("install \x95\x5C\x8E\xA6", kUtf8), "\x8E\xA6") << "UTF-8 has no such trail";
}

}  // namespace
