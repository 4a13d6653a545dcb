#pragma once
// Which names the search gives can be acted on by their ANSI string. A name
// that Windows paths would read as another name, as a path or as a device
// is never used: the file is left where it is.
#include "install/transfer.h"

// False, with *reason, for a name (in UTF-16) that paths cannot reach as
// the entry itself.
bool NameIsReachable(const WCHAR *name, LeftReason *reason);
