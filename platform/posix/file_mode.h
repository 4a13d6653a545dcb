#pragma once
// Permission bits as the stand-in maps Windows attributes onto them.
#include <sys/types.h>

constexpr mode_t kPermissionBits = 0777;

// The process's file creation mask, read once: it trims the mode a new file
// is created with, and reading it needs setting it back.
mode_t CreationMask();
