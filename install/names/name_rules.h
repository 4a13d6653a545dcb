#pragma once
// Whether a name the search gives can be acted on by its ANSI string. A
// name that the code page cannot spell exactly, or that Windows paths would
// read as another name, as a path or as a device, is never used: the file
// is left where it is.
#include "install/names/unit_search.h"
#include "install/terms.h"

// False, with *reason, for a match whose ANSI name does not reach the entry
// itself.
bool NameIsOwn(const UnitMatch &match, LeftReason *reason);
