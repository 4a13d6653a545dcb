// Makes each platform call of a whole run fail in turn, at every position at
// which the run makes it, and checks that no unit is lost and that the final
// word and the exit status stay true.
#include <cstdio>

#include "tests/run_support.h"

namespace {

using namespace runs;

const Units kUnits = {{"a.dcu", "A"}, {"b.dcu", "B"}, {"c.DCU", "C"}, {"d.dcu", "D"}};

void LayOutKit() {
  fake::Reset(kKit);
  for (const auto &unit : kUnits) fake::AddFile(std::string(kKit) + "\\" + unit.first, unit.second);
  fake::AddFile("C:\\Kit\\notes.txt", "N");
  fake::AddDirectory("C:\\Kit\\folder.dcu");
}

TEST(FaultMatrix, NoSingleFailingCallLosesAUnitOrLies) {
  LayOutKit();
  ASSERT_EQ(RunInstaller(), 0);
  int callsPerOp[fake::kOpCount];
  for (int op = 0; op < fake::kOpCount; ++op)
    callsPerOp[op] = fake::Calls(static_cast<fake::Op>(op));

  int runs = 0;
  for (int op = 0; op < fake::kOpCount; ++op) {
    EXPECT_GT(callsPerOp[op], 0) << fake::kOpNames[op] << " is never called";
    for (int nth = 1; nth <= callsPerOp[op]; ++nth) {
      SCOPED_TRACE(std::string(fake::kOpNames[op]) + " call " + std::to_string(nth) + " fails");
      LayOutKit();
      fake::FailCall(static_cast<fake::Op>(op), nth);
      const int status = RunInstaller();
      ExpectLosslessAndTruthful(kUnits, status);
      EXPECT_EQ(Lookup(kKit, "notes.txt"), "N");
      ++runs;
    }
  }
  printf("fault matrix: %d runs, each with one failing call\n", runs);
}

}  // namespace
