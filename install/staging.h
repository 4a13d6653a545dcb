#pragma once
// This run's staging file: the one name in the target directory under which
// a copy is written before it is renamed over its unit. It belongs to this
// run (its name holds the process id) and never ends in a unit's extension.
#include "platform/win32_api.h"

// Forms StagingPath beside the target files, from TargetPath up to
// NameSlot, and clears a stale file that a killed run with the same process
// id may have left under that name. StagingPath stays empty when the path
// would not fit.
void BeginStaging(bool targetFormed);

// Removes the staging file, read-only or not, whatever is left of it.
void DiscardStaging();

// Where the target directory is, as far as the run has found out.
enum TargetPlace { kPlaceUnknown, kPlaceElsewhere, kPlaceWorkDir };
TargetPlace KnownTargetPlace();

// Called while the staging file holds a copy, until the place is known: a
// staging file that is visible by its bare name in the working folder means
// that the target directory is the working folder itself under another name
// (a link, a junction, a bind mount), where renaming a copy over its target
// would replace the source, which the move then deletes. Returns
// kPlaceUnknown with *error set when the look itself failed.
TargetPlace LocateTarget(DWORD *error);
