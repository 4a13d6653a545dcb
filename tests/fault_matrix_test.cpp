// Makes each platform call of a whole run fail in turn, at every position at
// which the run makes it, and checks that no unit is lost, that no unit in
// LIB is ever replaced by anything but its whole new version, and that the
// final word names the units left with the reason of each.
#include <cstdio>

#include "tests/run_support.h"

namespace {

using namespace runs;

struct Layout {
  const char *name;
  Units units;
  Units oldInLib;       // what LIB holds before the run
  bool readOnlyOldLib;  // whether those are read-only
  UINT codePage = CP_UTF8;
};

// A kit whose LIB is still to be made, with a read-only unit; and a kit
// whose LIB holds an older unit to replace and a read-only namesake that
// refuses to be replaced.
const Layout kLayouts[] = {
    {"new LIB", {{"a.dcu", "A"}, {"b.dcu", "B"}, {"c.DCU", "C"}, {"ro.dcu", "R"}}, {}, false},
    {"LIB with old units",
     {{"a.dcu", "A"}, {"b.dcu", "B"}, {"x.dcu", "X"}},
     {{"a.dcu", "old A"}},
     false},
    {"LIB with a read-only namesake", {{"a.dcu", "A"}, {"x.dcu", "X"}}, {{"x.dcu", "old X"}}, true},
    {"legacy code page", {{"a.dcu", "A"}, {"b.dcu", "B"}}, {{"a.dcu", "old A"}}, false, 1252},
};

void LayOut(const Layout &layout) {
  fake::Reset(kKit);
  fake::SetCodePage(layout.codePage);
  AddUnits(layout.units, [](const std::string &name) { return name == "ro.dcu"; });
  for (const auto &unit : layout.oldInLib)
    fake::AddFile(std::string(kLib) + "\\" + unit.first, unit.second, layout.readOnlyOldLib);
  fake::AddFile("C:\\Kit\\notes.txt", "N");
  fake::AddDirectory("C:\\Kit\\folder.dcu");
}

// Each name in LIB holds the whole new unit or exactly what it held before;
// a staging file stays only when removing it was the call that failed.
void ExpectLibWhole(const Layout &layout, fake::Op failed) {
  for (const auto &entry : fake::Files()) {
    if (entry.first.rfind(std::string(kLib) + "\\", 0) != 0 || entry.second.directory) continue;
    const std::string name = entry.first.substr(sizeof kLib);
    if (name == kStagingName) {
      EXPECT_TRUE(failed == fake::kDeleteFile || failed == fake::kSetFileAttributes)
          << "the staging file was left behind";
      continue;
    }
    auto unit = layout.units.find(name);
    auto old = layout.oldInLib.find(name);
    const bool whole = (unit != layout.units.end() && unit->second == entry.second.content) ||
                       (old != layout.oldInLib.end() && old->second == entry.second.content);
    EXPECT_TRUE(whole) << name << " in LIB holds '" << entry.second.content << "'";
    EXPECT_FALSE(entry.second.readOnly && old == layout.oldInLib.end())
        << name << ": a copy the program made is read-only";
  }
}

// Whether one of the steps of moving `name` failed: a call made after its
// copy began and before the search went on, other than the removal of the
// staging file once a step had failed and the look at a refusing namesake.
bool FailedOn(const std::string &name) {
  const auto &log = fake::Log();
  const int failed = fake::FailedCallIndex();
  if (failed < 0) return false;
  const std::string staging = std::string(kLib) + "\\" + kStagingName;
  if (log[failed] == "DeleteFileA(" + staging + ")" ||
      log[failed] == "SetFileAttributesA(" + staging + ", 128)" ||
      log[failed] == "GetFileAttributesA(" + std::string(kLib) + "\\" + name + ")")
    return false;
  for (int i = failed; i >= 0; --i) {
    if (StartsWith(log[i], "FindNextFile") || StartsWith(log[i], "FindFirstFile")) return false;
    if (StartsWith(log[i], ("CopyFileA(" + name + ", ").c_str())) return true;
  }
  return false;
}

// A unit named in the box was left for the error of the step that failed
// for it: the injected one's, a missing LIB's, or the read-only namesake's.
void ExpectReasons(const std::map<std::string, std::string> &named, const Layout &layout,
                   fake::Op failed) {
  const bool libMissing = fake::Files().count(kLib) == 0;
  for (const auto &unit : named) {
    DWORD code = fake::kInjectedError;
    if (libMissing) code = ERROR_PATH_NOT_FOUND;
    const bool refused = layout.readOnlyOldLib && layout.oldInLib.count(unit.first);
    if (refused && !FailedOn(unit.first)) code = ERROR_ACCESS_DENIED;
    // A failed FormatMessageA shows the number instead of the text.
    const bool numberOnly = failed == fake::kFormatMessage &&
                            unit.second == "system error " + std::to_string(code) + ".";
    if (!numberOnly) EXPECT_EQ(unit.second, ReasonOf(code)) << unit.first;
  }
}

TEST(FaultMatrix, NoSingleFailingCallLosesOrDamagesAUnitOrLies) {
  int everCalled[fake::kOpCount] = {};
  int runs = 0;
  for (const Layout &layout : kLayouts) {
    LayOut(layout);
    RunInstaller();
    int callsPerOp[fake::kOpCount];
    for (int op = 0; op < fake::kOpCount; ++op) {
      callsPerOp[op] = fake::Calls(static_cast<fake::Op>(op));
      everCalled[op] += callsPerOp[op];
    }
    for (int op = 0; op < fake::kOpCount; ++op) {
      for (int nth = 1; nth <= callsPerOp[op]; ++nth) {
        SCOPED_TRACE(std::string(layout.name) + ": " + fake::kOpNames[op] + " call " +
                     std::to_string(nth) + " fails");
        LayOut(layout);
        fake::FailCall(static_cast<fake::Op>(op), nth);
        const int status = RunInstaller();
        const auto named = ExpectLosslessAndTruthful(layout.units, status);
        ExpectLibWhole(layout, static_cast<fake::Op>(op));
        ExpectReasons(named, layout, static_cast<fake::Op>(op));
        EXPECT_EQ(Lookup(kKit, "notes.txt"), "N");
        ++runs;
      }
    }
  }
  for (int op = 0; op < fake::kOpCount; ++op)
    EXPECT_GT(everCalled[op], 0) << fake::kOpNames[op] << " is never called";
  printf("fault matrix: %d runs, each with one failing call\n", runs);
}

}  // namespace
