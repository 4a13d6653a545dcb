// The POSIX stand-in's search, directories, deletion and command line, on
// real temporary folders: it is worth testing against only if it behaves
// like Win32.
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>

#include "platform/posix/command_line.h"
#include "platform/win32_api.h"
#include "tests/temp_folder.h"

namespace {

using StandIn = TempFolder;

std::set<std::string> Search(const char *pattern, std::set<std::string> *directories = nullptr) {
  std::set<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names.insert(found.cFileName);
    if (directories && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      directories->insert(found.cFileName);
  } while (FindNextFileA(search, &found));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(FindClose(search));
  return names;
}

TEST_F(StandIn, SearchMatchesLikeWin32) {
  for (const char *name :
       {"a.dcu", "B.DCU", ".dcu", "c.Dcu", "a.dcux", "adcu", "x.pas", "back\\slash.dcu"})
    Write(name, "x");
  ASSERT_EQ(mkdir("dir.dcu", 0755), 0);
  ASSERT_EQ(mkdir("sub", 0755), 0);
  Write("sub/s.dcu", "x");

  std::set<std::string> directories;
  EXPECT_EQ(
      Search("*.dcu", &directories),
      (std::set<std::string>{".dcu", "B.DCU", "a.dcu", "back\\slash.dcu", "c.Dcu", "dir.dcu"}))
      << "a name is given as it is, a backslash in it too";
  EXPECT_EQ(directories, std::set<std::string>{"dir.dcu"});
  EXPECT_EQ(Search("?.dcu"), (std::set<std::string>{"B.DCU", "a.dcu", "c.Dcu"}));
  EXPECT_EQ(Search("*").count("."), 0u);
  EXPECT_EQ(Search("*").count(".."), 0u);
  EXPECT_EQ(Search("sub\\*.dcu"), std::set<std::string>{"s.dcu"});
}

TEST_F(StandIn, SearchWithoutMatchReportsFileNotFound) {
  Write("a.txt", "x");
  WIN32_FIND_DATAA found;
  EXPECT_EQ(FindFirstFileA("*.dcu", &found), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA("missing\\*.dcu", &found), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(StandIn, WorkingDirectoryIsShownInWindowsForm) {
  char buffer[4096];
  const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  std::string expected = root_;
  for (char &c : expected)
    if (c == '/') c = '\\';
  ASSERT_EQ(length, expected.size());
  EXPECT_EQ(std::string(buffer), expected);

  char small[4] = "abc";
  EXPECT_EQ(GetCurrentDirectoryA(sizeof small, small), expected.size() + 1);
  EXPECT_EQ(std::string(small), "abc") << "a buffer too small is left alone";

  ASSERT_EQ(mkdir("a\\b", 0755), 0);
  ASSERT_EQ(chdir("a\\b"), 0);
  EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 0u) << "a backslash cannot be expressed";
}

TEST_F(StandIn, DirectoriesAreEnteredAndCreatedOnce) {
  EXPECT_FALSE(SetCurrentDirectoryA("LIB"));
  EXPECT_TRUE(CreateDirectoryA("LIB", nullptr));
  EXPECT_FALSE(CreateDirectoryA("LIB", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectoryA("no\\such", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  const std::string lib = root_ + "/LIB";
  std::string windowsLib = lib;
  for (char &c : windowsLib)
    if (c == '/') c = '\\';
  EXPECT_TRUE(SetCurrentDirectoryA(windowsLib.c_str()));
  char here[4096];
  EXPECT_EQ(std::string(getcwd(here, sizeof here)), lib);
}

TEST_F(StandIn, DeleteRefusesDirectoriesAndReadOnlyFilesAndKeepsLinkTargets) {
  ASSERT_EQ(mkdir("dir.dcu", 0755), 0);
  Write("ro.dcu", "x");
  ASSERT_EQ(chmod("ro.dcu", 0444), 0);
  Write("target.txt", "t");
  ASSERT_EQ(symlink("target.txt", "link.dcu"), 0);

  EXPECT_FALSE(DeleteFileA("dir.dcu"));
  EXPECT_FALSE(DeleteFileA("ro.dcu"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(DeleteFileA("link.dcu"));
  EXPECT_FALSE(DeleteFileA("gone.dcu"));
  EXPECT_EQ(List("."), "dir.dcu ro.dcu target.txt");
}

TEST(CommandLine, IsFormedAsWindowsWouldShowIt) {
  char a0[] = "./build/host/install", a1[] = "/q", a2[] = "two words", a3[] = "tab\there";
  char *argv[] = {a0, a1, a2, a3};
  const size_t tail = RecordCommandLine(4, argv);
  const std::string line = GetCommandLineA();
  EXPECT_EQ(line, ".\\build\\host\\install \\q \"two words\" \"tab\there\"");
  EXPECT_EQ(line.substr(tail), "\\q \"two words\" \"tab\there\"");
  const size_t programOnly = RecordCommandLine(1, argv);
  EXPECT_EQ(programOnly, std::string(GetCommandLineA()).size()) << "no arguments: an empty tail";
}

}  // namespace
