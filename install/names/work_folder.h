#pragma once
// Records the working folder in WorkDir, only when its path fits whole and
// names this very folder: in a legacy code page the ANSI query would give a
// look-alike for what the code page cannot hold, and the run would work in
// another folder.
enum WorkDirState { kWorkDirRecorded, kWorkDirUnread, kWorkDirNotExact };

// WorkDir is left empty unless the state is kWorkDirRecorded.
WorkDirState RecordWorkDir();
