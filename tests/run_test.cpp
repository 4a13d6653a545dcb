// The run and the transfer over the test double: the order of the platform
// calls, what ends up where, and the final word.
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "install/names/moved_names.h"
#include "install/paths.h"
#include "tests/run_support.h"

namespace {

using namespace runs;

TEST(Run, CallsThePlatformInTheOrderOfAMove) {
  fake::Reset(kKit);
  fake::AddFile("C:\\Kit\\a.dcu", "A");
  fake::AddFile("C:\\Kit\\b.dcu", "B");
  EXPECT_EQ(RunInstaller(), 0);
  const std::string staging = "C:\\Kit\\LIB\\~kalvo-4242.tmp";
  const std::vector<std::string> expected = {
      "GetCurrentDirectoryA(499)",
      "SetCurrentDirectoryA(C:\\Kit\\LIB)",
      "CreateDirectoryA(C:\\Kit\\LIB)",
      "SetCurrentDirectoryA(C:\\Kit)",
      "GetFileAttributesA(" + staging + ")",  // a staging name free in LIB
      "GetFileAttributesA(~kalvo-4242.tmp)",  // and in the kit
      "FindFirstFileA(*.dcu)",
      "CopyFileA(a.dcu, " + staging + ", 1)",  // never over anything
      "GetFileAttributesA(~kalvo-4242.tmp)",   // once: is LIB the kit itself?
      "MoveFileExA(" + staging + ", C:\\Kit\\LIB\\a.dcu, 1)",
      "DeleteFileA(a.dcu)",
      "FindNextFileA()",
      "CopyFileA(b.dcu, " + staging + ", 1)",  // a writable unit: four calls
      "MoveFileExA(" + staging + ", C:\\Kit\\LIB\\b.dcu, 1)",
      "DeleteFileA(b.dcu)",
      "FindNextFileA()",
      "FindClose()",
      "MessageBoxA(install.exe, KALVO successfully installed!, 0)",
  };
  EXPECT_EQ(fake::Log(), expected);
}

TEST(Run, MovesUnitsReplacesSameNamesAndLeavesTheRest) {
  fake::Reset(kKit);
  const Units units = {{"a.dcu", "A"}, {"B.DCU", "B"}, {"c.dcu", "C"}};
  AddUnits(units);
  fake::AddFile("C:\\Kit\\readme.txt", "R");
  fake::AddFile("C:\\Kit\\sub\\s.dcu", "S");
  fake::AddFile("C:\\Kit\\LIB\\a.dcu", "newer A");
  fake::AddFile("C:\\Kit\\LIB\\keep.txt", "K");

  EXPECT_EQ(RunInstaller(), 0);
  for (const auto &unit : units) {
    EXPECT_EQ(Lookup(kLib, unit.first), unit.second);
    EXPECT_EQ(Lookup(kKit, unit.first), "<none>");
  }
  EXPECT_EQ(Lookup(kKit, "readme.txt"), "R");
  EXPECT_EQ(Lookup("C:\\Kit\\sub", "s.dcu"), "S");
  EXPECT_EQ(Lookup(kLib, "keep.txt"), "K");
  EXPECT_EQ(fake::Calls(fake::kCreateDirectory), 0) << "an existing LIB is entered, not created";
  ASSERT_EQ(fake::Boxes().size(), 1u);
  EXPECT_EQ(fake::Boxes()[0].text, kInstalled);
  EXPECT_EQ(fake::Boxes()[0].caption, "install.exe");
}

TEST(Run, EmptyKitStillFormsLibAndSecondRunSucceeds) {
  fake::Reset(kKit);
  EXPECT_EQ(RunInstaller(), 0);
  EXPECT_TRUE(fake::Files().at(kLib).directory);
  EXPECT_EQ(RunInstaller(), 0);
  EXPECT_EQ(fake::Boxes().size(), 2u);
  EXPECT_EQ(fake::Boxes()[1].text, kInstalled);
}

TEST(Run, DirectoryNamedLikeAUnitStaysAndIsNoFailure) {
  fake::Reset(kKit);
  fake::AddDirectory("C:\\Kit\\odd.dcu");
  fake::AddFile("C:\\Kit\\a.dcu", "A");
  EXPECT_EQ(RunInstaller(), 0);
  EXPECT_TRUE(fake::Files().at("C:\\Kit\\odd.dcu").directory);
  ExpectLosslessAndTruthful({{"a.dcu", "A"}}, 0);
}

// The copy of a read-only unit is made writable before it is put in place,
// so a second run, and a new version of the unit, can replace it.
TEST(Run, ReadOnlyUnitInstallsTwiceAndANewVersionReplacesIt) {
  fake::Reset(kKit);
  fake::AddFile("C:\\Kit\\ro.dcu", "RO", true);
  EXPECT_EQ(RunInstaller(), 0);
  EXPECT_EQ(Lookup(kKit, "ro.dcu"), "RO") << "a read-only source cannot be deleted";
  EXPECT_EQ(Lookup(kLib, "ro.dcu"), "RO");
  EXPECT_FALSE(fake::Files().at("C:\\Kit\\LIB\\ro.dcu").readOnly);
  EXPECT_EQ(RunInstaller(), 0);
  fake::Files().erase("C:\\Kit\\ro.dcu");
  fake::AddFile("C:\\Kit\\ro.dcu", "RO 2", true);
  EXPECT_EQ(RunInstaller(), 0);
  EXPECT_EQ(Lookup(kLib, "ro.dcu"), "RO 2");
  for (const auto &box : fake::Boxes()) EXPECT_EQ(box.text, kInstalled);
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

TEST(Run, MoreThanFiveLeftNamesFiveAndCountsTheRest) {
  fake::Reset(kKit);
  fake::AddFile("C:\\Kit\\LIB", "not a folder");
  Units units;
  for (char c = 'a'; c <= 'g'; ++c) units[std::string(1, c) + ".dcu"] = std::string(1, c);
  AddUnits(units);
  EXPECT_EQ(RunInstaller(), 1);
  const auto named = ExpectLosslessAndTruthful(units, 1);
  EXPECT_EQ(named.size(), 5u);
  for (const auto &unit : named) EXPECT_EQ(unit.second, ReasonOf(ERROR_PATH_NOT_FOUND));
  const auto lines = Lines(fake::Boxes().back().text);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[1], "a.dcu: The system cannot find the path specified.") << "in search order";
  EXPECT_EQ(lines[6], "and 2 more.");
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
  const auto named = ExpectLosslessAndTruthful(units, 1);
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

TEST(Run, LibThatIsAFileFailsEveryCopy) {
  fake::Reset(kKit);
  fake::AddFile("C:\\Kit\\LIB", "not a folder");
  fake::AddFile("C:\\Kit\\a.dcu", "A");
  EXPECT_EQ(RunInstaller(), 1);
  EXPECT_EQ(Lookup(kKit, "a.dcu"), "A");
  EXPECT_EQ(fake::Boxes().back().text,
            LeftLine(1) + "\na.dcu: The system cannot find the path specified.\n" + kLibRemedy);
}

// LIB a link back to the kit: the staging copy shows up in the kit, so no
// copy is ever renamed over its own source.
TEST(Run, LibThatIsTheKitUnderAnotherNameMovesNothing) {
  fake::Reset(kKit);
  fake::AddFolderLink(kLib, kKit);
  fake::AddFile("C:\\Kit\\a.dcu", "A");
  fake::AddFile("C:\\Kit\\b.dcu", "B");
  fake::AddDirectory("C:\\Kit\\folder.dcu");
  EXPECT_EQ(RunInstaller(), 1);
  EXPECT_EQ(Lookup(kKit, "a.dcu"), "A");
  EXPECT_EQ(Lookup(kKit, "b.dcu"), "B");
  EXPECT_EQ(Lookup(kKit, kStagingName), "<none>");
  EXPECT_EQ(fake::Calls(fake::kMoveFileEx), 0);
  EXPECT_EQ(fake::Calls(fake::kCopyFile), 1) << "one copy, to find out; then none";
  EXPECT_EQ(fake::Boxes().back().text,
            LeftLine(2) +
                "\na.dcu: LIB is this same folder under another name."
                "\nb.dcu: LIB is this same folder under another name.\n" +
                kLibRemedy);
}

// Another run moved the unit between this run's search and its copy.
TEST(Run, UnitThatAnotherRunMovedIsNotLeft) {
  fake::Reset(kKit);
  fake::AddFile("C:\\Kit\\a.dcu", "A");
  fake::AddFile("C:\\Kit\\b.dcu", "B");
  fake::BeforeCall(fake::kCopyFile, 1, [] {
    fake::AddFile("C:\\Kit\\LIB\\a.dcu", "A");
    fake::Files().erase("C:\\Kit\\a.dcu");
  });
  EXPECT_EQ(RunInstaller(), 0);
  ExpectLosslessAndTruthful({{"a.dcu", "A"}, {"b.dcu", "B"}}, 0);
}

// Another process holds a unit or its namesake open for a moment: the step
// is tried again after a pause.
TEST(Run, MomentaryRefusalsAreTriedAgain) {
  for (fake::Op op : {fake::kCopyFile, fake::kMoveFileEx}) {
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
  ExpectLosslessAndTruthful(units, 1);
  EXPECT_EQ(fake::Pauses(), 100);
  EXPECT_LE(fake::PausedMs(), 1000u);
}

// Whatever stands under a staging name on arrival, in LIB or in the kit, or
// is put there by another process during the run, is not the run's: it is
// never changed or removed, and the run takes the next name.
TEST(Run, WhatStandsUnderAStagingNameIsLeftAsItWas) {
  const std::string first = std::string(kLib) + "\\" + kStagingName;
  const std::string inKit = std::string(kKit) + "\\" + kStagingName;
  const std::string second = std::string(kLib) + "\\~kalvo-4242-1.tmp";
  const std::vector<std::function<void()>> plants = {
      [&] { fake::AddFile(first, "a killed run's", true); },
      [&] { fake::AddDirectory(first); },
      [&] { fake::AddFile(inKit, "a kit file"); },
      [&] {
        fake::AddFile(first, "first");
        fake::AddDirectory(second);
      },
      [&] { fake::BeforeCall(fake::kCopyFile, 1, [&] { fake::AddFile(first, "raced in"); }); },
  };
  for (size_t i = 0; i < plants.size(); ++i) {
    fake::Reset(kKit);
    fake::AddFile("C:\\Kit\\a.dcu", "A");
    fake::AddFile("C:\\Kit\\b.dcu", "B", true);
    fake::AddFile(std::string(kLib) + "\\~kalvo-99.tmp", "another run's");
    plants[i]();
    const fake::Tree planted = fake::Files();
    EXPECT_EQ(RunInstaller(), 0) << i;
    EXPECT_EQ(Lookup(kLib, "a.dcu"), "A") << i;
    EXPECT_EQ(Lookup(kLib, "b.dcu"), "B") << i;
    for (const auto &entry : planted) {
      if (entry.first.find("~kalvo-") == std::string::npos) continue;
      auto now = fake::Files().find(entry.first);
      ASSERT_NE(now, fake::Files().end()) << i << ": " << entry.first << " was removed";
      EXPECT_EQ(now->second.content, entry.second.content) << i;
      EXPECT_EQ(now->second.readOnly, entry.second.readOnly) << i;
      EXPECT_EQ(now->second.directory, entry.second.directory) << i;
    }
  }
  EXPECT_EQ(Lookup(kLib, kStagingName), "raced in") << "the last run's first name was taken";
}

// Staging names taken on arrival, or all taken during the run and freed
// again: the units left say why, and a later unit looks again from the
// first name. The tenth name is used too.
TEST(Run, TakenStagingNamesLeaveUnitsNamedUntilOneIsFree) {
  const auto name = [](int n) {
    return std::string(kLib) + "\\~kalvo-4242" + (n > 0 ? "-" + std::to_string(n) : "") + ".tmp";
  };
  const auto take = [&](int count) {
    for (int n = 0; n < count; ++n) fake::AddFile(name(n), "taken");
  };
  const std::string taken = "every name for its copy in LIB was taken.";
  struct Case {
    int takenOnArrival;
    bool takenDuringRun;
    std::map<std::string, std::string> named;
    int copies;
  };
  const Case cases[] = {{10, false, {{"a.dcu", taken}, {"b.dcu", taken}}, 0},
                        {9, false, {}, 2},
                        {0, true, {{"a.dcu", taken}}, 2}};
  for (const Case &c : cases) {
    fake::Reset(kKit);
    AddUnits({{"a.dcu", "A"}, {"b.dcu", "B"}});
    take(c.takenOnArrival);
    if (c.takenDuringRun) {
      fake::BeforeCall(fake::kCopyFile, 1, [&] { take(10); });
      fake::BeforeCall(fake::kFindNextFile, 1, [&] {
        for (int n = 0; n < 10; ++n) fake::Files().erase(name(n));
      });
    }
    const int status = RunInstaller();
    EXPECT_EQ(ExpectLosslessAndTruthful({{"a.dcu", "A"}, {"b.dcu", "B"}}, status), c.named)
        << c.takenOnArrival;
    EXPECT_EQ(fake::Calls(fake::kCopyFile), c.copies) << c.takenOnArrival;
    if (!c.named.empty())
      EXPECT_EQ(Lines(fake::Boxes().back().text).back(),
                "Delete the leftover ~kalvo-*.tmp files in LIB, then run install again.");
  }
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

// Names the search gives that are not the entry's own are never acted on:
// names that LIB takes for a unit's this run put there (the kit is on a
// case-sensitive folder), names kept for devices or holding what paths
// forbid, names that are no valid text, and in a legacy code page names it
// cannot hold, which its ANSI calls give as look-alikes. A namesake from
// before the run is replaced, and nothing outside the kit is touched.
TEST(Run, NamesThatAreNotTheEntrysOwnAreLeftAndNamed) {
  const std::string twin =
      "a unit whose name differs from it only in case went to LIB in this run; rename one of "
      "the two.";
  const std::string device = "Windows keeps this name for a device.";
  const std::string holdsPath =
      "Windows paths cannot name a file whose name holds \\ / : * ? \" < > | or a control "
      "character.";
  const std::string inexact = "this system's code page cannot spell its name exactly.";
  const struct {
    UINT codePage;
    Units units, inLib;
    std::map<std::string, std::string> named;
  } cases[] = {
      {CP_UTF8,
       {{"A.dcu", "A"}, {"a.dcu", "a"}, {"Unit.dcu", "U"}, {"UNIT.DCU", "UU"}, {"unit.Dcu", "u"}},
       {{"a.dcu", "A"}, {"unit.dcu", "UU"}},
       {{"a.dcu", twin}, {"Unit.dcu", twin}, {"unit.Dcu", twin}}},
      {CP_UTF8,
       {{"\xC3\x89.dcu", "E"},
        {"\xC3\xA9.dcu", "e"},
        {"\xD0\x96.dcu", "Zh"},
        {"\xD0\xB6.dcu", "zh"},
        {"\xEF\xBC\xA1.dcu", "FA"},
        {"\xEF\xBD\x81.dcu", "fa"}},
       {{"\xC3\x89.dcu", "E"}, {"\xD0\x96.dcu", "Zh"}, {"\xEF\xBC\xA1.dcu", "FA"}},
       {{"\xC3\xA9.dcu", twin}, {"\xD0\xB6.dcu", twin}, {"\xEF\xBD\x81.dcu", twin}}},
      {CP_UTF8,
       {{"nul.dcu", "1"},
        {"CON.dcu", "2"},
        {"com1 .dcu", "3"},
        {"LPT\xC2\xB9.dcu", "4"},
        {"conout$.dcu", "5"},
        {"nul2.dcu", "6"},
        {"com10.dcu", "7"},
        {"console.dcu", "8"}},
       {{"nul2.dcu", "6"}, {"com10.dcu", "7"}, {"console.dcu", "8"}},
       {{"nul.dcu", device},
        {"CON.dcu", device},
        {"com1 .dcu", device},
        {"LPT\xC2\xB9.dcu", device},
        {"conout$.dcu", device}}},
      {CP_UTF8,
       {{"a*b.dcu", "1"},
        {"p|q.dcu", "2"},
        {"t\x01.dcu", "3"},
        {"\xC4.dcu", "4"},
        {"\xEF\xBF\xBD.dcu", "5"},
        {"ok.dcu", "6"}},
       {{"ok.dcu", "6"}},
       {{"a*b.dcu", holdsPath},
        {"p|q.dcu", holdsPath},
        {"t\x01.dcu", holdsPath},
        {"\xC4.dcu", inexact},
        {"\xEF\xBF\xBD.dcu", inexact}}},
      {1252,
       {{"\xEF\xBD\x90lain.dcu", "fullwidth p"},
        {"plain.dcu", "P"},
        {"..\xEF\xBC\xBC"
         "evil.dcu",
         "up"},
        {"\xC3\xA9.dcu", "e"}},
       {{"plain.dcu", "P"}, {"\xC3\xA9.dcu", "e"}},
       {{"?lain.dcu", inexact}, {"..?evil.dcu", inexact}}},
  };
  for (const auto &c : cases) {
    fake::Reset(kKit);
    fake::MakeCaseSensitive(kKit);
    fake::SetCodePage(c.codePage);
    AddUnits(c.units);
    fake::AddFile("C:\\evil.dcu", "outside");
    fake::AddFile("C:\\Kit\\LIB\\a.dcu", "old");
    EXPECT_EQ(RunInstaller(), 1);
    for (const auto &unit : c.units)
      EXPECT_TRUE(Lookup(kKit, unit.first) == unit.second ||
                  Lookup(kLib, unit.first) == unit.second)
          << unit.first << " was lost";
    for (const auto &unit : c.inLib) EXPECT_EQ(Lookup(kLib, unit.first), unit.second);
    std::map<std::string, std::string> named;
    const auto lines = Lines(fake::Boxes().back().text);
    for (size_t i = 1; i + 1 < lines.size(); ++i)
      named[lines[i].substr(0, lines[i].find(": "))] = lines[i].substr(lines[i].find(": ") + 2);
    EXPECT_EQ(named, c.named);
    EXPECT_EQ(lines.back(), "Rename the unit files named above, then run install again.");
    EXPECT_EQ(Lookup("C:", "evil.dcu"), "outside");
    EXPECT_EQ(Lookup(kKit, "evil.dcu"), "<none>");
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

// Win32 paths drop a trailing dot or space, so such a name, which the search
// finds through its short name, cannot be reached: it is left and named,
// never taken for moved, and bar.dcu beside it keeps its own content.
TEST(Run, NamesEndingInADotOrASpaceAreLeftAndNamed) {
  fake::Reset(kKit);
  const Units units = {
      {"bar.dcu", "A"}, {"bar.dcu ", "space"}, {"foo.dcu.", "dot"}, {"ro.dcu", "R"}};
  AddUnits(units);
  fake::AddFile("C:\\Kit\\LIB\\foo.dcu", "old foo");
  fake::AddFile("C:\\Kit\\LIB\\ro.dcu", "read-only", true);
  EXPECT_EQ(RunInstaller(), 1);
  const auto named = ExpectLosslessAndTruthful(units, 1);
  const std::string why = "Windows paths cannot name a file whose name ends in a dot or a space.";
  EXPECT_EQ(named, (std::map<std::string, std::string>{
                       {"bar.dcu ", why}, {"foo.dcu.", why}, {"ro.dcu", "Access is denied."}}));
  EXPECT_EQ(Lines(fake::Boxes().back().text).back(),
            "Mend what is said of each unit above, then run install again.")
      << "reasons of two kinds";
  EXPECT_EQ(Lookup(kLib, "bar.dcu"), "A");
  EXPECT_EQ(Lookup(kKit, "bar.dcu "), "space");
  EXPECT_EQ(Lookup(kKit, "foo.dcu."), "dot");
  EXPECT_EQ(Lookup(kLib, "foo.dcu"), "old foo");
}

TEST(Run, AtADriveRootTheSubdirectoryIsAppendedUnchanged) {
  fake::Reset("C:\\");
  fake::AddFile("C:\\a.dcu", "A");
  EXPECT_EQ(RunInstaller(), 0);
  EXPECT_EQ(fake::Log()[1], "SetCurrentDirectoryA(C:\\\\LIB)");
  EXPECT_NE(std::find(fake::Log().begin(), fake::Log().end(),
                      "MoveFileExA(C:\\\\LIB\\~kalvo-4242.tmp, C:\\\\LIB\\a.dcu, 1)"),
            fake::Log().end());
  EXPECT_EQ(Lookup("C:\\LIB", "a.dcu"), "A");
}

// The working directory must fit 498 bytes; otherwise nothing is formed
// from an empty or cut path. The staging file must fit TargetPath too: with
// "\LIB\" and "~kalvo-4242.tmp" that leaves 491 bytes for the folder.
TEST(Run, WorkingDirectoryAtAndPastItsLimits) {
  for (size_t length : {491u, 492u, 498u, 499u, 700u}) {
    const std::string kit = "C:\\" + std::string(length - 3, 'k');
    fake::Reset(kit);
    fake::AddFile(kit + "\\a.dcu", "A");
    const int status = RunInstaller();
    const std::string text = fake::Boxes().back().text;
    if (length <= 491) {
      EXPECT_EQ(status, 0) << length;
      EXPECT_EQ(Lookup(kit + "\\LIB", "a.dcu"), "A") << length;
    } else if (length <= 498) {
      EXPECT_EQ(status, 1) << length;
      EXPECT_EQ(Lines(text)[1], "a.dcu: its path in LIB would be too long.") << length;
      EXPECT_EQ(fake::Calls(fake::kCopyFile), 0) << length;
    } else {
      EXPECT_EQ(status, 2) << length;
      EXPECT_EQ(fake::Log().size(), 2u) << "only the query and the message";
      EXPECT_EQ(text,
                "KALVO was not installed: the path of the working folder could not be read or is "
                "too long.");
    }
  }
}

// TargetPath holds 511 bytes: a 491-byte folder and "\LIB\" leave room for
// a 15-byte name and no more.
TEST(Run, TargetPathThatWouldNotFitIsAFailedCopy) {
  const std::string kit = "C:\\" + std::string(488, 'k');
  fake::Reset(kit);
  fake::AddFile(kit + "\\abcdefghijk.dcu", "fits");
  fake::AddFile(kit + "\\abcdefghijkl.dcu", "too long");
  EXPECT_EQ(RunInstaller(), 1);
  EXPECT_EQ(Lookup(kit + "\\LIB", "abcdefghijk.dcu"), "fits");
  EXPECT_EQ(Lookup(kit, "abcdefghijkl.dcu"), "too long");
  EXPECT_EQ(Lookup(kit + "\\LIB", "abcdefghijkl.dcu"), "<none>");
  EXPECT_EQ(strlen(TargetPath), kit.size() + 5) << "the long name was never written";
  EXPECT_EQ(Lines(fake::Boxes().back().text)[1],
            "abcdefghijkl.dcu: its path in LIB would be too long.");
}

TEST(Run, WorkDirThatCannotBeEnteredAgainTouchesNothing) {
  fake::Reset(kKit);
  fake::AddFile("C:\\Kit\\LIB\\a.dcu", "old");
  fake::AddFile("C:\\Kit\\a.dcu", "A");
  fake::FailCall(fake::kSetCurrentDirectory, 2);
  EXPECT_EQ(RunInstaller(), 2);
  EXPECT_EQ(fake::Calls(fake::kFindFirstFile), 0);
  EXPECT_EQ(Lookup(kLib, "a.dcu"), "old");
  EXPECT_EQ(fake::Boxes().back().text,
            "KALVO was not installed: the working folder could not be entered again.");
}

// A working folder whose path the code page cannot spell exactly, read in
// a legacy code page ("ā" would read as "a") or holding U+FFFD: nothing is
// touched there or in the folder that its look-alike names.
TEST(Run, WorkingFolderThatCannotBeNamedExactlyTouchesNothing) {
  for (UINT codePage : {1252u, CP_UTF8}) {
    const std::string kit = codePage == CP_UTF8 ? "C:\\K\xEF\xBF\xBD" : "C:\\K\xC4\x81";
    fake::Reset(kit);
    fake::SetCodePage(codePage);
    fake::AddFile(kit + "\\u.dcu", "U");
    fake::AddFile("C:\\Ka\\u.dcu", "look-alike");
    EXPECT_EQ(RunInstaller(), 2);
    EXPECT_EQ(fake::Log().size(), 2u) << "only the query and the message";
    EXPECT_EQ(fake::Boxes().back().text,
              "KALVO was not installed: this system's code page cannot spell the path of the "
              "working folder exactly. Move the kit to a folder with a plain name, then run "
              "install again.");
  }
}

TEST(Run, SearchThatBreaksOffIsNotReportedAsSuccess) {
  fake::Reset(kKit);
  fake::AddFile("C:\\Kit\\a.dcu", "A");
  fake::AddFile("C:\\Kit\\b.dcu", "B");
  fake::FailCall(fake::kFindNextFile, 1);
  EXPECT_EQ(RunInstaller(), 1);
  EXPECT_EQ(Lookup(kKit, "b.dcu"), "B");
  EXPECT_NE(fake::Boxes().back().text.find("could not be searched to the end"), std::string::npos);
  EXPECT_EQ(fake::Calls(fake::kFindClose), 1) << "the search is closed all the same";
}

}  // namespace
