// What only the double can set up or see: the order of the platform calls,
// momentary refusals and the pauses they cost, the box's texts at their
// limits, and the memory of names. Every kit of files, run on every runner,
// is in tests/kits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "install/names/moved_names.h"
#include "install/paths.h"
#include "install/texts.h"
#include "tests/box_lines.h"
#include "tests/fake_platform.h"
#include "tests/run_installer.h"
#include "text/utf8.h"

namespace {

using Units = std::map<std::string, std::string>;  // name -> content

const char kKit[] = "C:\\Kit";
const char kLib[] = "C:\\Kit\\LIB";
const std::string kInstalled = TextOf(kTextInstalled);
const std::string kRemedy = TextOf(kTextRemedyInUse);
// The double's process id makes this run's staging file name.
const char kStagingName[] = "~kalvo-4242.tmp";

void AddUnits(const Units &units) {
  for (const auto &unit : units) fake::AddFile(std::string(kKit) + "\\" + unit.first, unit.second);
}

std::string Lookup(const std::string &directory, const std::string &name) {
  auto it = fake::Files().find(directory + "\\" + name);
  return it == fake::Files().end() || it->second.directory ? std::string("<none>")
                                                           : it->second.content;
}

// The units a box names, each with its reason.
std::map<std::string, std::string> Named(const std::string &text) {
  std::map<std::string, std::string> named;
  for (const std::string &line : Lines(text))
    if (line.find(": ") != std::string::npos && line.rfind("KALVO", 0) != 0)
      named[line.substr(0, line.find(": "))] = line.substr(line.find(": ") + 2);
  return named;
}

std::string Counted(TextKey key, unsigned count) { return WithCount(TextOf(key), count); }

std::string LeftLine(unsigned count) {
  return Counted(count == 1 ? kTextLeftOne : kTextLeftMany, count);
}

// The reason the box gives for an error code: the double's text for it,
// or the number where the system has none.
std::string ReasonOf(DWORD code) {
  const std::string text = fake::SystemText(code);
  return text.empty() ? Counted(kTextSystemError, code) : text;
}

TEST(Run, CallsThePlatformInTheOrderOfAMove) {
  fake::Reset(kKit);
  fake::AddFile("C:\\Kit\\a.dcu", "A");
  fake::AddFile("C:\\Kit\\b.dcu", "B");
  EXPECT_EQ(RunInstaller(), 0);
  const std::string staging = "C:\\Kit\\LIB\\~kalvo-4242.tmp";
  const std::string flush[] = {"CreateFileA(" + staging + ", 1073741824, 7, 3)",
                               "FlushFileBuffers()", "CloseHandle()"};
  const std::vector<std::string> expected = {
      "GetCurrentDirectoryA(499)",
      "GetWindowsDirectoryW(500)",  // is the working folder one of Windows' own?
      "GetSystemDirectoryW(500)",
      "GetSystemWow64DirectoryW(500)",
      "SetCurrentDirectoryA(C:\\Kit\\LIB)",
      "CreateDirectoryA(C:\\Kit\\LIB)",
      "SetCurrentDirectoryA(C:\\Kit)",
      "GetFileAttributesA(" + staging + ")",  // a staging name free in LIB
      "GetFileAttributesA(~kalvo-4242.tmp)",  // and in the kit
      "FindFirstFileA(*.dcu)",
      "CopyFileA(a.dcu, " + staging + ", 1)",  // never over anything
      "GetFileAttributesA(~kalvo-4242.tmp)",   // once: is LIB the kit itself?
      flush[0],
      flush[1],
      flush[2],  // the copy on the disk before it counts
      "MoveFileExA(" + staging + ", C:\\Kit\\LIB\\a.dcu, 1)",
      "DeleteFileA(a.dcu)",
      "FindNextFileA()",
      "CopyFileA(b.dcu, " + staging + ", 1)",  // a writable unit: seven calls
      flush[0],
      flush[1],
      flush[2],
      "MoveFileExA(" + staging + ", C:\\Kit\\LIB\\b.dcu, 1)",
      "DeleteFileA(b.dcu)",
      "FindNextFileA()",
      "FindClose()",
      "MessageBoxA(install.exe, KALVO successfully installed!, 0)",
  };
  EXPECT_EQ(fake::Log(), expected);
}

TEST(Run, FailedCopiesKeepTheirSourcesAndAreNamedWithTheirReasons) {
  fake::Reset(kKit);
  fake::AddFile("C:\\Kit\\a.dcu", "A");
  fake::AddFile("C:\\Kit\\b.dcu", "B");
  fake::AddFile("C:\\Kit\\c.dcu", "C");
  fake::AddFile("C:\\Kit\\LIB\\a.dcu", "locked", true);
  fake::Files()["C:\\Kit\\c.dcu"].special = true;
  EXPECT_EQ(RunInstaller(), 1);
  EXPECT_EQ(Lookup(kKit, "a.dcu"), "A");
  EXPECT_EQ(Lookup(kLib, "a.dcu"), "locked");
  EXPECT_EQ(Lookup(kLib, "b.dcu"), "B");
  EXPECT_EQ(Lookup(kLib, kStagingName), "<none>");
  // A refused read is tried again (c.dcu, three times); a read-only
  // namesake refuses for good and is not.
  EXPECT_EQ(fake::Pauses(), 3);
  EXPECT_EQ(fake::Boxes().back().text, LeftLine(2) +
                                           "\na.dcu: Access is denied."
                                           "\nc.dcu: Access is denied.\n" +
                                           kRemedy);
}

// The one test that spells out the box's sentences that take a count; the
// others read the texts by key.
TEST(Run, SentencesWithACountReadExactly) {
  for (int units : {1, 7}) {
    fake::Reset(kKit);
    fake::AddFile("C:\\Kit\\LIB", "not a folder");
    for (int i = 0; i < units; ++i) fake::AddFile("C:\\Kit\\u" + std::to_string(i) + ".dcu", "U");
    EXPECT_EQ(RunInstaller(), 1);
    const auto lines = Lines(fake::Boxes().back().text);
    EXPECT_EQ(lines.front(), units == 1 ? "KALVO installation incomplete: 1 unit file was left in "
                                          "the working folder."
                                        : "KALVO installation incomplete: 7 unit files were left "
                                          "in the working folder.");
    if (units == 7) EXPECT_EQ(lines[6], "and 2 more.");
    EXPECT_EQ(lines[1].substr(0, 8), "u0.dcu: ") << "named in the order of the search";
  }
}

// A name is shown whole up to 128 bytes, letters outside ASCII included;
// longer ones are cut, never inside a character.
TEST(Run, NamesOfUnitsLeftAreShownWholeOrCutAtACharacter) {
  fake::Reset(kKit);
  fake::AddFile("C:\\Kit\\LIB", "not a folder");
  const std::string cyrillic =
      "\xD0\x9C\xD0\xBE\xD0\xB4\xD1\x83\xD0\xBB\xD1\x8C.dcu";  // Модуль.dcu
  const std::string longName = "x" + std::string(125, 'y') + "\xC3\xA9" + ".dcu";  // é at 126
  const Units units = {{cyrillic, "M"}, {longName, "L"}};
  AddUnits(units);
  EXPECT_EQ(RunInstaller(), 1);
  const auto named = Named(fake::Boxes().back().text);
  EXPECT_EQ(named.count(cyrillic), 1u);
  EXPECT_EQ(named.count("x" + std::string(124, 'y') + "..."), 1u) << "cut before the \xC3\xA9";
}

// The longest names Windows allows, with the longest reason the double
// knows: the text is cut where it must be and stays under 2 KiB.
TEST(Run, TextOfTheLongestNamesStaysUnderTwoKilobytes) {
  fake::Reset(kKit);
  Units units;
  for (char c = 'a'; c <= 'g'; ++c) units[std::string(MAX_PATH - 5, c) + ".dcu"] = "unit";
  AddUnits(units);
  fake::FailCall(fake::kCopyFile, 1, ERROR_SHARING_VIOLATION, 1000);
  EXPECT_EQ(RunInstaller(), 1);
  const std::string text = fake::Boxes().back().text;
  EXPECT_LT(text.size(), 2048u);
  const auto lines = Lines(text);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[1], std::string(125, 'a') + "...: " + ReasonOf(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(lines[6], "and 2 more.");
  EXPECT_EQ(lines[7], kRemedy);
}

// Another process holds a unit or its namesake open for a moment: the step
// is tried again after a pause.
TEST(Run, MomentaryRefusalsAreTriedAgain) {
  for (fake::Op op : {fake::kCopyFile, fake::kCreateFile, fake::kMoveFileEx}) {
    fake::Reset(kKit);
    fake::AddFile("C:\\Kit\\a.dcu", "A");
    fake::AddFile("C:\\Kit\\LIB\\a.dcu", "old A");
    fake::FailCall(op, 1, op == fake::kCopyFile ? ERROR_ACCESS_DENIED : ERROR_SHARING_VIOLATION);
    EXPECT_EQ(RunInstaller(), 0) << fake::kOpNames[op];
    EXPECT_EQ(Lookup(kLib, "a.dcu"), "A");
    EXPECT_EQ(fake::Pauses(), 1);
  }
}

// A lasting refusal leaves the unit after a few attempts, and a run pauses
// only so often however many units are refused.
TEST(Run, LastingRefusalsLeaveTheUnitAfterBoundedPauses) {
  fake::Reset(kKit);
  fake::AddFile("C:\\Kit\\a.dcu", "A");
  fake::AddFile("C:\\Kit\\LIB\\a.dcu", "old A");
  fake::FailCall(fake::kMoveFileEx, 1, ERROR_SHARING_VIOLATION, 1000);
  EXPECT_EQ(RunInstaller(), 1);
  EXPECT_EQ(fake::Calls(fake::kMoveFileEx), 4);
  EXPECT_EQ(fake::Pauses(), 3);
  EXPECT_EQ(Lookup(kLib, "a.dcu"), "old A");
  EXPECT_EQ(Lines(fake::Boxes().back().text)[1],
            "a.dcu: The process cannot access the file because it is being used by another "
            "process.");

  fake::Reset(kKit);
  Units units;
  for (int i = 0; i < 60; ++i) units["u" + std::to_string(i) + ".dcu"] = std::to_string(i);
  AddUnits(units);
  fake::FailCall(fake::kCopyFile, 1, ERROR_ACCESS_DENIED, 1000);
  EXPECT_EQ(RunInstaller(), 1);
  EXPECT_EQ(Lines(fake::Boxes().back().text)[0], LeftLine(60));
  for (const auto &unit : units) EXPECT_EQ(Lookup(kKit, unit.first), unit.second);
  EXPECT_EQ(fake::Pauses(), 100);
  EXPECT_LE(fake::PausedMs(), 1000u);
}

// The reason is the system's text without its line break and a trailing
// blank, whole up to 160 bytes and cut after; a code the system has no text
// for shows its number. The closing line fits the reason.
TEST(Run, ReasonsAreTheSystemsTextsAndTheClosingLineFitsThem) {
  const std::string general = "Mend what is said of each unit above, then run install again.";
  const struct {
    DWORD code;
    std::string reason, closing;
  } cases[] = {
      {fake::kText160Code, std::string(160, 'r'), general},
      {fake::kText161Code, std::string(157, 'r') + "...", general},
      {fake::kBlankEndCode, "Trailing blank.", general},
      {0xFFFFFFFFu, "system error 4294967295.", general},
      {ERROR_DISK_FULL, "system error 112.",
       "Free some space on the disk, then run install again."},
      {ERROR_FILENAME_EXCED_RANGE, "system error 206.",
       "Move the kit to a folder with a shorter path, then run install again."},
      {ERROR_SHARING_VIOLATION, ReasonOf(ERROR_SHARING_VIOLATION), kRemedy},
  };
  for (const auto &c : cases) {
    fake::Reset(kKit);
    fake::AddFile("C:\\Kit\\a.dcu", "A");
    fake::FailCall(fake::kCopyFile, 1, c.code, 1000);
    EXPECT_EQ(RunInstaller(), 1);
    const auto lines = Lines(fake::Boxes().back().text);
    EXPECT_EQ(lines, (std::vector<std::string>{LeftLine(1), "a.dcu: " + c.reason, c.closing}));
  }
}

// The memory of the names put in LIB is exact for 100 000 units, and says
// when it has no room left for another.
TEST(MovedNames, ExactForAHundredThousandUnitsAndSaysWhenFull) {
  ForgetMovedNames();
  const auto wide = [](const std::string &ascii) {
    return std::u16string(ascii.begin(), ascii.end());
  };
  int wrong = 0;
  for (int i = 0; i < 100000; ++i) {
    wrong += LookUpMovedName(wide("u" + std::to_string(i) + ".dcu").c_str()) != kNameNew;
    RememberMovedName();
  }
  for (int i = 0; i < 100000; ++i)
    wrong += LookUpMovedName(wide("U" + std::to_string(i) + ".DCU").c_str()) != kNameTaken;
  EXPECT_EQ(wrong, 0);
  int kept = 0;
  NameMemory memory;
  while ((memory = LookUpMovedName(wide(std::to_string(kept) + std::string(250, 'x')).c_str())) ==
             kNameNew &&
         kept < 100000) {
    RememberMovedName();
    ++kept;
  }
  EXPECT_EQ(memory, kNameNoRoom);
  EXPECT_GT(kept, 25000) << "room for 8 MiB of names";
  EXPECT_EQ(LookUpMovedName(u"u99999.dcu"), kNameTaken) << "still exact once full";
}

TEST(Run, AtADriveRootTheSubdirectoryIsAppendedUnchanged) {
  fake::Reset("C:\\");
  fake::AddFile("C:\\a.dcu", "A");
  EXPECT_EQ(RunInstaller(), 0);
  EXPECT_EQ(fake::Log()[4], "SetCurrentDirectoryA(C:\\\\LIB)");
  EXPECT_NE(std::find(fake::Log().begin(), fake::Log().end(),
                      "MoveFileExA(C:\\\\LIB\\~kalvo-4242.tmp, C:\\\\LIB\\a.dcu, 1)"),
            fake::Log().end());
  EXPECT_EQ(Lookup("C:\\LIB", "a.dcu"), "A");
}

// Strict UTF-8: stray and overlong bytes and encoded surrogates are no
// text, and text that does not fit the room given is refused whole.
TEST(Utf8, DecodesStrictlyWithinItsRoom) {
  WCHAR wide[4];
  EXPECT_TRUE(DecodeUtf8("a\xC3\xA9", wide, 3));
  EXPECT_EQ(wide[1], 0xE9);
  EXPECT_FALSE(DecodeUtf8("abc", wide, 3)) << "no room for the terminator";
  EXPECT_FALSE(DecodeUtf8("a\xF0\x9F\x98\x80", wide, 3)) << "no room for the pair";
  EXPECT_TRUE(DecodeUtf8("\xF0\x9F\x98\x80", wide, 3));
  for (const char *invalid : {"\xC4", "\xC0\xAF", "\xED\xA0\x80", "\xFF"})
    EXPECT_FALSE(DecodeUtf8(invalid, wide, 4)) << invalid;
}

}  // namespace
