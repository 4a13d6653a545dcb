#include "install/names/case_fold.h"

#include <cstddef>
#include <cstdint>

namespace {

// Code units that uppercase alike come in runs: `count` units from `first`,
// `stride` apart, each mapped to itself plus `delta` (modulo 2^16).
struct CaseRun {
  std::uint16_t first;
  std::uint16_t count;
  std::uint16_t delta;
  std::uint16_t stride;
};

const CaseRun kCaseRuns[] = {
#include "install/names/case_table.inc"
};
constexpr size_t kCaseRunCount = sizeof kCaseRuns / sizeof kCaseRuns[0];

}  // namespace

WCHAR UpperCase(WCHAR unit) {
  // The last run that starts at or before the unit.
  size_t low = 0, high = kCaseRunCount;
  while (high - low > 1) {
    const size_t middle = (low + high) / 2;
    (kCaseRuns[middle].first <= unit ? low : high) = middle;
  }
  const CaseRun &run = kCaseRuns[low];
  const unsigned offset = static_cast<unsigned>(unit) - run.first;
  if (unit < run.first || offset % run.stride != 0 || offset / run.stride >= run.count) return unit;
  return static_cast<WCHAR>(static_cast<std::uint16_t>(unit + run.delta));
}
