#pragma once
// Runs the whole program in this process as a new process would: from
// zero-filled path buffers, over whichever platform the test links.
#include <cstring>

#include "install/paths.h"
#include "platform/win32_api.h"

inline int RunInstaller() {
  memset(WorkDir, 0, sizeof WorkDir);
  memset(InstallRoot, 0, sizeof InstallRoot);
  memset(TargetPath, 0, sizeof TargetPath);
  memset(StagingPath, 0, sizeof StagingPath);
  NameSlot = TargetPath;
  char tail[] = "";
  return WinMain(nullptr, nullptr, tail, SW_SHOWDEFAULT);
}
