#include "install/paths.h"

char WorkDir[kWorkDirSize];
char InstallRoot[kWorkDirSize];
char TargetPath[kTargetPathSize];
char *NameSlot = TargetPath;
char StagingPath[kTargetPathSize];
