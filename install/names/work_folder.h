#pragma once
// Records the working folder in WorkDir, only when its path fits whole,
// names this very folder and is no folder of Windows' own: in a legacy
// code page the ANSI query would give a look-alike for what the code page
// cannot hold, and the run would work in another folder; and a program
// started without a folder of its own (by a shortcut or a task with none,
// or by Wine from a path it cannot enter) runs in the Windows folder.
enum WorkDirState { kWorkDirRecorded, kWorkDirUnread, kWorkDirNotExact, kWorkDirSystem };

// WorkDir is left empty unless the state is kWorkDirRecorded.
WorkDirState RecordWorkDir();
