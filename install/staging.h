#pragma once
// This run's staging file: the name in the target directory under which a
// copy is written before it is renamed over its unit. The run owns it: the
// name stood neither in the target directory nor in the working folder when
// the run chose it, it holds the process id, and every copy creates it
// anew, refusing where the name exists. Nothing the run finds under such a
// name is ever changed or removed.
#include "install/terms.h"

// Forms StagingPath beside the target files, from TargetPath up to
// NameSlot, with the first staging name that is free.
void BeginStaging(bool targetFormed);

// Whether a staging name is at hand, looking again for a free one when
// every name was taken; when not, *reason says why.
bool StagingReady(LeftReason *reason);

// Another process took the staging name: moves on to the next free one.
// False when none is left.
bool NextStaging();

// Removes the staging file that this run's own copy created, read-only or
// not, whatever is left of it.
void DiscardStaging();

// Where the target directory is, as far as the run has found out.
enum TargetPlace { kPlaceUnknown, kPlaceElsewhere, kPlaceWorkDir };
TargetPlace KnownTargetPlace();

// Called while the staging file holds a copy, until the place is known: a
// staging file that is visible by its bare name in the working folder means
// that the target directory is the working folder itself under another name
// (a link, a junction, a bind mount), where renaming a copy over its target
// would replace the source, which the move then deletes. The name was
// absent from the working folder when it was chosen, so only the copy can
// have put it there. Returns kPlaceUnknown with *error set when the look
// itself failed.
TargetPlace LocateTarget(DWORD *error);
