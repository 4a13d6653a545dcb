#pragma once
// Moves one matched entry of the working folder into the target directory.
#include "install/names/unit_search.h"
#include "install/terms.h"

enum UnitFate {
  kUnitMoved,  // its copy stands under its name in the target directory
  kUnitLeft,   // it is still in the working folder, for the reason given
  kNotAUnit,   // a folder: the search matches those too, but they stay
  kUnitGone,   // no longer there: another run moved it meanwhile
};

struct MoveResult {
  UnitFate fate;
  LeftReason reason;  // why it was left, for kUnitLeft
  DWORD error;        // the system error code, for kLeftOnError
};

// Starts the moves of a run: every run may pause only so often, and no
// unit has been put in place yet.
void BeginMoves();

// `match` is the search's record of the entry; TargetPath up to NameSlot
// holds the target directory, and StagingPath this run's staging file.
MoveResult MoveUnit(const UnitMatch &match);
