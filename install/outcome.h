#pragma once
// What the run tells the user at its end, and the exit status that goes with it.
#include <cstddef>

#include "install/terms.h"
#include "platform/win32_api.h"

constexpr int kExitInstalled = 0;
constexpr int kExitIncomplete = 1;
constexpr int kExitNotInstalled = 2;

// The icon of the box that goes with a status: none for success, so that
// it stays a plain note; a warning or an error otherwise, to tell it at a
// glance.
UINT IconFor(int status);

// The whole text stays below this size, terminator included: names and
// reasons that would not fit are cut.
constexpr size_t kOutcomeTextSize = 2048;

// Returns the text that truthfully describes the transfer and sets *status.
// When units were left, the text names the first of them, each with the
// reason it was left, and says what to do. The text lives in a static
// buffer until the next call.
const char *DescribeOutcome(const TransferOutcome &outcome, int *status);
