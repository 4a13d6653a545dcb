// The stand-in's rename, the open and flush before it, attributes and
// system texts on real temporary folders: the program relies on each of
// them refusing what Windows refuses.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/posix/errors.h"
#include "platform/win32_api.h"
#include "tests/temp_folder.h"

namespace {

using StandInRename = TempFolder;

TEST_F(StandInRename, ReplacesOnlyWhenAskedAndNeverAFolderOrAReadOnlyFile) {
  Write("s1", "one");
  Write("s2", "two");
  Write("old.dcu", "old");
  Write("ro.dcu", "locked");
  ASSERT_EQ(chmod("ro.dcu", 0444), 0);
  ASSERT_EQ(mkdir("dir.dcu", 0755), 0);

  EXPECT_TRUE(MoveFileExA("s1", "new.dcu", 0));
  EXPECT_FALSE(MoveFileExA("s2", "old.dcu", 0));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(MoveFileExA("s2", "ro.dcu", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(MoveFileExA("s2", "dir.dcu", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(MoveFileExA("missing", "x.dcu", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(MoveFileExA("s2", "old.dcu", MOVEFILE_REPLACE_EXISTING));

  EXPECT_EQ(Read("new.dcu"), "one");
  EXPECT_EQ(Read("old.dcu"), "two");
  EXPECT_EQ(Read("ro.dcu"), "locked");
  EXPECT_EQ(List("."), "dir.dcu new.dcu old.dcu ro.dcu");
}

// A link in LIB named like a unit is replaced as a name: what it points at,
// the unit in the kit, is untouched. Two names of one file end as one name.
TEST_F(StandInRename, ReplacesLinksThemselvesAndMergesNamesOfOneFile) {
  Write("unit.dcu", "kit unit");
  ASSERT_EQ(symlink("unit.dcu", "soft.dcu"), 0);
  ASSERT_EQ(link("unit.dcu", "hard.dcu"), 0);
  Write("s1", "new");
  EXPECT_TRUE(MoveFileExA("s1", "soft.dcu", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(Read("soft.dcu"), "new");
  EXPECT_EQ(Read("unit.dcu"), "kit unit");
  EXPECT_TRUE(MoveFileExA("hard.dcu", "unit.dcu", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(List("."), "soft.dcu unit.dcu");
}

TEST_F(StandInRename, FailsAcrossVolumes) {
  const char *other = "/dev/shm";
  struct stat here {
  }, there{};
  ASSERT_EQ(stat(".", &here), 0);
  if (stat(other, &there) != 0 || there.st_dev == here.st_dev) GTEST_SKIP() << "no second volume";
  Write("s1", "one");
  const std::string target = std::string("\\dev\\shm\\kalvo-rename-") + std::to_string(getpid());
  EXPECT_FALSE(MoveFileExA("s1", target.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), ERROR_NOT_SAME_DEVICE);
  EXPECT_EQ(Read("s1"), "one");
}

TEST_F(StandInRename, AttributesFollowTheModeAndDescribeLinksThemselves) {
  Write("file", "x");
  ASSERT_EQ(mkdir("dir", 0755), 0);
  ASSERT_EQ(symlink("dir", "dirlink"), 0);
  ASSERT_EQ(symlink("nowhere", "dangling"), 0);
  EXPECT_EQ(GetFileAttributesA("file"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesA("dir"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA("dirlink"), FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA("dangling"), FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(GetFileAttributesA("missing"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesA("nodir\\file"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  ASSERT_TRUE(SetFileAttributesA("file", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetFileAttributesA("file"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_FALSE(DeleteFileA("file"));
  ASSERT_TRUE(SetFileAttributesA("file", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesA("file"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_TRUE(DeleteFileA("file"));
  EXPECT_FALSE(SetFileAttributesA("file", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// A copy is opened to be flushed as Windows opens it: for writing, never
// a folder or a read-only file; its handle flushes and closes once.
TEST_F(StandInRename, OpensForTheFlushWhatWindowsOpensForWriting) {
  Write("copy", "data");
  Write("ro", "locked");
  ASSERT_EQ(chmod("ro", 0444), 0);
  ASSERT_EQ(mkdir("dir", 0755), 0);
  for (const char *refused : {"ro", "dir", "missing"})
    EXPECT_EQ(CreateFileA(refused, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE)
        << refused;
  const HANDLE copy = CreateFileA("copy", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(copy, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FlushFileBuffers(copy));
  EXPECT_TRUE(CloseHandle(copy));
  EXPECT_FALSE(CloseHandle(copy));
  EXPECT_EQ(Read("copy"), "data");
}

std::string SystemText(DWORD code, DWORD size = 256) {
  char buffer[256] = "untouched";
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, buffer, size, nullptr);
  return length == 0 ? "" : std::string(buffer, length);
}

// Every code the stand-in can set has Windows' text; others fail, as there.
TEST(StandInMessages, EveryCodeTheStandInSetsHasWindowsText) {
  EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED), "Access is denied.\r\n");
  EXPECT_EQ(SystemText(ERROR_DISK_FULL), "There is not enough space on the disk.\r\n");
  for (int error = 0; error < 200; ++error) {
    const DWORD code = Win32ErrorFromErrno(error);
    const std::string text = SystemText(code);
    EXPECT_GT(text.size(), 2u) << "errno " << error << " gives code " << code << " without a text";
  }
  for (DWORD code : {ERROR_NO_MORE_FILES, ERROR_INVALID_HANDLE, ERROR_SHARING_VIOLATION,
                     ERROR_FILE_EXISTS, ERROR_INVALID_NAME, ERROR_NOT_SAME_DEVICE})
    EXPECT_FALSE(SystemText(code).empty()) << code;
  EXPECT_EQ(SystemText(12345), "");
  EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
  EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED, 19), "") << "no room for the terminator";
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED, 20), "Access is denied.\r\n");
}

}  // namespace
