#pragma once
// The names of the units this run has put in the target directory, as
// Windows compares names: without regard to case, over all of Unicode. A
// kit on a case-sensitive folder can hold "A.dcu" beside "a.dcu"; the
// target directory cannot, so the second must not replace the first.
// The memory is static and fixed; while it has room, it is exact.
#include "platform/win32_api.h"

enum NameMemory {
  kNameNew,     // no unit of this name was put in place by this run
  kNameTaken,   // one was: this unit would replace it
  kNameNoRoom,  // new, but there is no room left to remember it
};

void ForgetMovedNames();

// Looks up a unit's name (in UTF-16), which RememberMovedName then keeps.
NameMemory LookUpMovedName(const WCHAR *name);

// The name last looked up, which was new: its unit now stands in place.
void RememberMovedName();
