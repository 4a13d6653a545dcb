#pragma once
// A test hook of the stand-in's CopyFileA: makes one step of a later copy
// fail as a full disk or a failing device would, so that tests reach the
// copy's error paths on any filesystem.

enum CopyStep { kCopyRead, kCopyWrite, kCopyKernel, kCopyClose, kCopyStepCount };

// From the nth call of `step` from now on (counted from 1), every call of
// it fails with errno `error`, as on a disk that stays full; nth 0 clears
// the fault.
void FailCopyStep(CopyStep step, int nth, int error);
