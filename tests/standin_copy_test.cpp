// CopyFileA of the POSIX stand-in on real temporary folders.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/posix/copy_faults.h"
#include "platform/win32_api.h"
#include "tests/run_installer.h"
#include "tests/temp_folder.h"

namespace {

using StandInCopy = TempFolder;

mode_t ModeOf(const char *path) {
  struct stat st {};
  stat(path, &st);
  return st.st_mode & 0777;
}

ino_t InodeOf(const char *path) {
  struct stat st {};
  stat(path, &st);
  return st.st_ino;
}

TEST_F(StandInCopy, KeepsContentPermissionsAndLastWriteTime) {
  Write("a.dcu", std::string(300000, 'a') + "end");
  ASSERT_EQ(chmod("a.dcu", 0640), 0);
  const timespec times[2] = {{1000000000, 111}, {1234567890, 123456789}};
  ASSERT_EQ(utimensat(AT_FDCWD, "a.dcu", times, 0), 0);
  ASSERT_EQ(mkdir("LIB", 0755), 0);

  ASSERT_TRUE(CopyFileA("a.dcu", "LIB\\a.dcu", FALSE));
  EXPECT_EQ(Read("LIB/a.dcu"), Read("a.dcu"));
  EXPECT_EQ(ModeOf("LIB/a.dcu"), 0640u);
  struct stat st {};
  ASSERT_EQ(stat("LIB/a.dcu", &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1234567890);
  EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
  EXPECT_EQ(List("LIB"), "a.dcu") << "no staging file is left behind";
}

// Like Win32, an existing target is truncated and written in place: the
// same file, now holding the copy.
TEST_F(StandInCopy, WritesAnExistingTargetInPlaceAndEmptyFilesToo) {
  ASSERT_EQ(mkdir("LIB", 0755), 0);
  Write("a.dcu", "new");
  Write("LIB/a.dcu", "an older and longer content");
  Write("empty.dcu", "");
  const ino_t before = InodeOf("LIB/a.dcu");
  ASSERT_TRUE(CopyFileA("a.dcu", "LIB\\a.dcu", FALSE));
  ASSERT_TRUE(CopyFileA("empty.dcu", "LIB\\empty.dcu", FALSE));
  EXPECT_EQ(Read("LIB/a.dcu"), "new");
  EXPECT_EQ(InodeOf("LIB/a.dcu"), before) << "written in place, not replaced";
  EXPECT_EQ(Read("LIB/empty.dcu"), "");
  // A copy that must create its target refuses any name that exists, a
  // link to a read-only file or a dangling one, and never writes through it.
  Write("outside", "outside");
  ASSERT_EQ(chmod("outside", 0444), 0);
  ASSERT_EQ(symlink("../outside", "LIB/link"), 0);
  ASSERT_EQ(symlink("../nowhere", "LIB/dangling"), 0);
  for (const char *name : {"LIB\\a.dcu", "LIB\\link", "LIB\\dangling"}) {
    EXPECT_FALSE(CopyFileA("empty.dcu", name, TRUE)) << name;
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS) << name;
  }
  EXPECT_EQ(Read("LIB/a.dcu"), "new");
  EXPECT_EQ(Read("outside"), "outside");
  EXPECT_FALSE(Exists("nowhere"));
}

TEST_F(StandInCopy, ReadOnlySourceIsCopiedReadOnlyTargetRefused) {
  ASSERT_EQ(mkdir("LIB", 0755), 0);
  Write("ro.dcu", "ro");
  ASSERT_EQ(chmod("ro.dcu", 0444), 0);
  ASSERT_TRUE(CopyFileA("ro.dcu", "LIB\\ro.dcu", FALSE));
  EXPECT_EQ(ModeOf("LIB/ro.dcu"), 0444u) << "the read-only attribute travels";

  Write("b.dcu", "new");
  Write("LIB/b.dcu", "locked");
  ASSERT_EQ(chmod("LIB/b.dcu", 0444), 0);
  EXPECT_FALSE(CopyFileA("b.dcu", "LIB\\b.dcu", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Read("LIB/b.dcu"), "locked");
  EXPECT_EQ(List("LIB"), "b.dcu ro.dcu");
}

TEST_F(StandInCopy, RefusesToCopyAFileOntoItself) {
  Write("a.dcu", "A");
  ASSERT_EQ(symlink(".", "LIB"), 0);
  EXPECT_FALSE(CopyFileA("a.dcu", "LIB\\a.dcu", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Read("a.dcu"), "A");
  EXPECT_EQ(List("."), "LIB a.dcu");
}

TEST_F(StandInCopy, FollowsLinksButRefusesDirectoriesFifosAndDevices) {
  ASSERT_EQ(mkdir("LIB", 0755), 0);
  Write("real.txt", "real");
  ASSERT_EQ(symlink("real.txt", "link.dcu"), 0);
  ASSERT_EQ(mkdir("dir.dcu", 0755), 0);
  ASSERT_EQ(mkfifo("fifo.dcu", 0644), 0);
  ASSERT_EQ(symlink("/dev/zero", "dev.dcu"), 0);

  ASSERT_TRUE(CopyFileA("link.dcu", "LIB\\link.dcu", FALSE));
  EXPECT_EQ(Read("LIB/link.dcu"), "real");
  // A file whose size reads as 0 though it holds text is read to its end.
  ASSERT_EQ(symlink("/proc/version", "proc.dcu"), 0);
  ASSERT_TRUE(CopyFileA("proc.dcu", "proc.txt", TRUE));
  EXPECT_EQ(Read("proc.txt"), Read("/proc/version"));
  struct stat st {};
  ASSERT_EQ(lstat("LIB/link.dcu", &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  // A FIFO with no writer would block an ordinary open; this must return.
  for (const char *name : {"dir.dcu", "fifo.dcu", "dev.dcu", "missing.dcu"})
    EXPECT_FALSE(CopyFileA(name, (std::string("LIB\\") + name).c_str(), FALSE)) << name;
  EXPECT_EQ(List("LIB"), "link.dcu");
}

TEST_F(StandInCopy, FailsIntoAMissingFolderOrOntoADirectory) {
  Write("a.dcu", "A");
  EXPECT_FALSE(CopyFileA("a.dcu", "LIB\\a.dcu", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  Write("LIB", "a file");
  EXPECT_FALSE(CopyFileA("a.dcu", "LIB\\a.dcu", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  ASSERT_EQ(unlink("LIB"), 0);
  ASSERT_EQ(mkdir("LIB", 0755), 0);
  ASSERT_EQ(mkdir("LIB/a.dcu", 0755), 0);
  EXPECT_FALSE(CopyFileA("a.dcu", "LIB\\a.dcu", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(List("LIB"), "a.dcu");
  EXPECT_EQ(List("LIB/a.dcu"), "");
}

// A copy that fails midway reports the failure with the error Windows
// would give, and leaves what it wrote under the target's name: an older
// file there is lost, as with Win32. Every step, onto a new name and onto
// an existing one.
TEST_F(StandInCopy, CopyThatFailsMidwayLeavesWhatItWrote) {
  struct Fault {
    CopyStep step;
    int nth;
    int error;
    DWORD expected;
    size_t written;  // bytes the target holds afterwards
  };
  const size_t size = 300 * 1024;  // more than two chunks of the read/write path
  const size_t chunk = 128 * 1024;
  const Fault faults[] = {
      {kCopyRead, 2, EIO, ERROR_IO_DEVICE, chunk},
      {kCopyWrite, 3, ENOSPC, ERROR_DISK_FULL, 2 * chunk},
      {kCopyKernel, 1, ENOSPC, ERROR_DISK_FULL, 0},
      {kCopyClose, 1, EIO, ERROR_IO_DEVICE, size},
  };
  ASSERT_EQ(mkdir("LIB", 0755), 0);
  Write("a.dcu", std::string(size, 'n'));
  for (const Fault &fault : faults) {
    for (const bool existing : {false, true}) {
      SCOPED_TRACE("step " + std::to_string(fault.step) + (existing ? ", existing" : ", new"));
      if (existing) Write("LIB/t.dcu", "old unit");
      const bool readWrite = fault.step == kCopyRead || fault.step == kCopyWrite;
      if (readWrite) setenv("KALVO_STANDIN_COPY", "readwrite", 1);
      FailCopyStep(fault.step, fault.nth, fault.error);
      EXPECT_FALSE(CopyFileA("a.dcu", "LIB\\t.dcu", FALSE));
      EXPECT_EQ(GetLastError(), fault.expected);
      FailCopyStep(fault.step, 0, 0);
      unsetenv("KALVO_STANDIN_COPY");
      const std::string left = Read("LIB/t.dcu");
      EXPECT_EQ(left.size(), fault.written);
      EXPECT_EQ(left.find_first_not_of('n'), std::string::npos);
      EXPECT_EQ(List("LIB"), "t.dcu");
      ASSERT_EQ(unlink("LIB/t.dcu"), 0);
    }
  }
  EXPECT_EQ(Read("a.dcu"), std::string(size, 'n')) << "the source is never touched";
}

// The kernel's copy answers 0 before the end, or refuses, at the start or
// midway: the copy goes on by reading and writing where the filesystems
// cannot copy in the kernel, and fails otherwise. The whole program over
// the stand-in then installs each unit whole or leaves it whole in the kit
// and names it; never a cut unit.
TEST_F(StandInCopy, KernelCopyStoppedShortIsNeverTakenForWhole) {
  const int answers[] = {0, EOPNOTSUPP, ENOSYS, EXDEV, EINVAL, ENOSPC, EIO};
  const size_t size = 300 * 1024;
  for (const int answer : answers) {
    for (const int nth : {1, 2}) {
      SCOPED_TRACE("errno " + std::to_string(answer) + " from kernel copy " + std::to_string(nth));
      const bool goesOn = answer != ENOSPC && answer != EIO;
      const std::string unit = std::string(size - 1, static_cast<char>('a' + nth)) + "z";
      Write("u.dcu", unit);
      LimitKernelCopy(size / 3);
      FailCopyStep(kCopyKernel, nth, answer);
      ASSERT_EQ(mkdir("LIB", 0755), 0);
      EXPECT_EQ(CopyFileA("u.dcu", "LIB\\t.dcu", TRUE), goesOn ? TRUE : FALSE);
      EXPECT_EQ(Read("LIB/t.dcu").size(), goesOn ? size : (nth - 1) * size / 3);
      ASSERT_EQ(unlink("LIB/t.dcu"), 0);

      FailCopyStep(kCopyKernel, nth, answer);
      EXPECT_EQ(RunInstaller(), goesOn ? 0 : 1);
      EXPECT_EQ(Read(goesOn ? "LIB/u.dcu" : "u.dcu"), unit);
      EXPECT_EQ(List("LIB"), goesOn ? "u.dcu" : "");
      FailCopyStep(kCopyKernel, 0, 0);
      LimitKernelCopy(0);
      ASSERT_EQ(system("rm -rf LIB u.dcu"), 0);
    }
  }
}

}  // namespace
