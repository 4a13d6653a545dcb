#pragma once
// Kits over the platform double, in this process: the whole program runs
// on an in-memory Windows file system that can fail any single call.
#include <string>
#include <vector>

#include "tests/kit/kit.h"
#include "tests/kit/verdict.h"

namespace kits {

// The double's kit folder as the snapshots name it.
std::string DoubleKitFolder(const Kit &kit);

// The double's own texts for the error codes kits name.
ErrorTexts DoubleErrorTexts();

// Runs every phase of the kit and judges each run; returns the problems,
// each prefixed with the run it was found in. *outcome gets the last run's.
std::vector<std::string> RunOnDouble(const Kit &kit, std::string *outcome = nullptr);

// Runs the kit with a power cut at each instant that could make a
// difference (just before each call that can change what the disk holds,
// and at the end of each run), and judges what the disk holds then; *cuts
// counts them.
std::vector<std::string> RunPowerCuts(const Kit &kit, int *cuts);

// Runs the kit once for every call of every kind that a plain run makes,
// that call made to fail; *runs counts them and *called gets the kinds of
// call made at all.
std::vector<std::string> RunFaultMatrix(const Kit &kit, int *runs, std::vector<bool> *called);

}  // namespace kits
