#pragma once
// The path buffers shared by the run and the transfer. They are static, so
// they are zero-filled at start and live as long as the process.
#include "platform/win32_api.h"

constexpr DWORD kWorkDirSize = 500;
// Limit handed to the working-directory query, terminator included.
constexpr DWORD kWorkDirQueryLimit = kWorkDirSize - 1;
constexpr DWORD kTargetPathSize = 512;

extern char WorkDir[kWorkDirSize];
extern char InstallRoot[kWorkDirSize];
extern char TargetPath[kTargetPathSize];
// Where each file name is written in TargetPath, just after the target
// directory's trailing backslash.
extern char *NameSlot;
// This run's staging file in the target directory: each unit is copied
// there and then renamed over its target, so that no unit's name in the
// target directory ever holds a partial copy. Empty when it does not fit.
extern char StagingPath[kTargetPathSize];
