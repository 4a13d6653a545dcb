// The run and the transfer over the test double: the order of the platform
// calls, what ends up where, and the final word.
#include <cstring>
#include <string>
#include <vector>

#include "install/paths.h"
#include "tests/run_support.h"

namespace {

using namespace runs;

TEST(Run, CallsThePlatformInTheOrderOfAMove) {
  fake::Reset(kKit);
  fake::AddFile("C:\\Kit\\a.dcu", "A");
  fake::AddFile("C:\\Kit\\b.dcu", "B");
  EXPECT_EQ(RunInstaller(), 0);
  const std::vector<std::string> expected = {
      "GetCurrentDirectoryA(499)",
      "SetCurrentDirectoryA(C:\\Kit\\LIB)",
      "CreateDirectoryA(C:\\Kit\\LIB)",
      "SetCurrentDirectoryA(C:\\Kit)",
      "FindFirstFileA(*.dcu)",
      "CopyFileA(a.dcu, C:\\Kit\\LIB\\a.dcu)",
      "DeleteFileA(a.dcu)",
      "FindNextFileA()",
      "CopyFileA(b.dcu, C:\\Kit\\LIB\\b.dcu)",
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
  for (const auto &unit : units) fake::AddFile(std::string(kKit) + "\\" + unit.first, unit.second);
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

TEST(Run, ReadOnlySourceIsCopiedAndCountsAsInstalled) {
  fake::Reset(kKit);
  fake::AddFile("C:\\Kit\\ro.dcu", "RO", true);
  EXPECT_EQ(RunInstaller(), 0);
  EXPECT_EQ(Lookup(kKit, "ro.dcu"), "RO");
  EXPECT_EQ(Lookup(kLib, "ro.dcu"), "RO");
}

TEST(Run, FailedCopiesKeepTheirSourcesAndAreCounted) {
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
  EXPECT_EQ(fake::Boxes().back().text,
            "KALVO installation incomplete: 2 unit files were left in the working folder.");
}

TEST(Run, LibThatIsAFileFailsEveryCopy) {
  fake::Reset(kKit);
  fake::AddFile("C:\\Kit\\LIB", "not a folder");
  fake::AddFile("C:\\Kit\\a.dcu", "A");
  EXPECT_EQ(RunInstaller(), 1);
  EXPECT_EQ(Lookup(kKit, "a.dcu"), "A");
  EXPECT_EQ(fake::Boxes().back().text,
            "KALVO installation incomplete: 1 unit file was left in the working folder.");
}

TEST(Run, AtADriveRootTheSubdirectoryIsAppendedUnchanged) {
  fake::Reset("C:\\");
  fake::AddFile("C:\\a.dcu", "A");
  EXPECT_EQ(RunInstaller(), 0);
  EXPECT_EQ(fake::Log()[1], "SetCurrentDirectoryA(C:\\\\LIB)");
  EXPECT_EQ(fake::Log()[5], "CopyFileA(a.dcu, C:\\\\LIB\\a.dcu)");
  EXPECT_EQ(Lookup("C:\\LIB", "a.dcu"), "A");
}

// The working directory must fit 498 characters; otherwise nothing is formed
// from an empty or cut path.
TEST(Run, WorkingDirectoryAtAndPastItsLimit) {
  for (size_t length : {497u, 498u, 499u, 700u}) {
    const std::string kit = "C:\\" + std::string(length - 3, 'k');
    fake::Reset(kit);
    fake::AddFile(kit + "\\a.dcu", "A");
    const int status = RunInstaller();
    if (length <= 498) {
      EXPECT_EQ(status, 0) << length;
      EXPECT_EQ(Lookup(kit + "\\LIB", "a.dcu"), "A") << length;
    } else {
      EXPECT_EQ(status, 2) << length;
      EXPECT_EQ(fake::Log().size(), 2u) << "only the query and the message";
      EXPECT_EQ(fake::Boxes().back().text,
                "KALVO was not installed: the path of the working folder could not be read or is "
                "too long.");
    }
  }
}

// TargetPath holds 511 characters: the folder (498) + "\LIB\" leaves room for
// an eight-byte name and no more.
TEST(Run, TargetPathThatWouldNotFitIsAFailedCopy) {
  const std::string kit = "C:\\" + std::string(495, 'k');
  fake::Reset(kit);
  fake::AddFile(kit + "\\abcd.dcu", "fits");
  fake::AddFile(kit + "\\abcde.dcu", "too long");
  EXPECT_EQ(RunInstaller(), 1);
  EXPECT_EQ(Lookup(kit + "\\LIB", "abcd.dcu"), "fits");
  EXPECT_EQ(Lookup(kit, "abcde.dcu"), "too long");
  EXPECT_EQ(Lookup(kit + "\\LIB", "abcde.dcu"), "<none>");
  EXPECT_EQ(strlen(TargetPath), kit.size() + 5) << "the long name was never written";
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
