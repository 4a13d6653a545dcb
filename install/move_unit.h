#pragma once
// Moves one matched entry of the working folder into the target directory.
#include "install/transfer.h"
#include "install/unit_search.h"

enum UnitFate {
  kUnitMoved,  // its copy stands under its name in the target directory
  kUnitLeft,   // it is still in the working folder, for *reason
  kNotAUnit,   // a folder: the search matches those too, but they stay
  kUnitGone,   // no longer there: another run moved it meanwhile
};

// Starts the moves of a run: every run may pause only so often, and no
// unit has been put in place yet.
void BeginMoves();

// `match` is the search's record of the entry; TargetPath up to NameSlot
// holds the target directory, and StagingPath this run's staging file.
UnitFate MoveUnit(const UnitMatch &match, LeftReason *reason, DWORD *error);
