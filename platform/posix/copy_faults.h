#pragma once
// A test hook of the stand-in's CopyFileA: makes one step of a later copy
// fail as a full disk or a failing device would, or makes the kernel's copy
// stop short as some filesystems do, so that tests reach the copy's error
// paths on any filesystem.
#include <cstddef>

enum CopyStep { kCopyRead, kCopyWrite, kCopyKernel, kCopyClose, kCopyStepCount };

// From the nth call of `step` from now on (counted from 1), every call of
// it fails with errno `error`, as on a disk that stays full; nth 0 clears
// the fault. For the kernel's copy, error 0 makes it answer 0 instead, as
// at an end of file, however much of the source is left.
void FailCopyStep(CopyStep step, int nth, int error);

// Each call of the kernel's copy moves at most `bytes` (0: no limit), so
// that a fault of its second call lands midway through a file.
void LimitKernelCopy(size_t bytes);
