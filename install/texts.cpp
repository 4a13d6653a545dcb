#include "install/texts.h"

namespace {

const char *const kTexts[] = {
    // kTextInstalled
    "KALVO successfully installed!",
    // kTextNoWorkDir
    "KALVO was not installed: the path of the working folder could not be read or is too "
    "long.",
    // kTextWorkDirNotExact
    "KALVO was not installed: this system's code page cannot spell the path of the working "
    "folder exactly. Move the kit to a folder with a plain name, then run install again.",
    // kTextNotInKit
    "KALVO was not installed: the working folder is a folder of Windows' own, not the kit's "
    "folder. Start install in the kit's folder, for example by double-clicking it there.",
    // kTextReturnFailed
    "KALVO was not installed: the working folder could not be entered again.",
    // kTextSearchBroken
    "KALVO installation incomplete: the working folder could not be searched to the end, so "
    "unit files may be left in it.",
    // kTextLeftOne
    "KALVO installation incomplete: {n} unit file was left in the working folder.",
    // kTextLeftMany
    "KALVO installation incomplete: {n} unit files were left in the working folder.",
    // kTextMoreLeft
    "and {n} more.",
    // kTextSystemError
    "system error {n}.",
    // kTextPathTooLong
    "its path in LIB would be too long.",
    // kTextTargetIsSource
    "LIB is this same folder under another name.",
    // kTextNameUnreachable
    "Windows paths cannot name a file whose name ends in a dot or a space.",
    // kTextNameHoldsPath
    "Windows paths cannot name a file whose name holds \\ / : * ? \" < > | or a control "
    "character.",
    // kTextNameNotExact
    "this system's code page cannot spell its name exactly.",
    // kTextDeviceName
    "Windows keeps this name for a device.",
    // kTextNameTaken
    "a unit whose name differs from it only in case went to LIB in this run; rename one of "
    "the two.",
    // kTextNoRoomForName
    "this run could not keep track of more units.",
    // kTextNoStagingName
    "every name for its copy in LIB was taken.",
    // kTextShortNameTaken
    "its name is the short name of another file in LIB.",
    // kTextRemedyInUse
    "Close the programs that use these units, or clear the read-only attribute of their "
    "namesakes in LIB, then run install again.",
    // kTextRemedyLib
    "Make LIB a folder of its own that you can write to, then run install again.",
    // kTextRemedyRename
    "Rename the unit files named above, then run install again.",
    // kTextRemedyStaging
    "Delete the leftover ~kalvo-*.tmp files in LIB, then run install again.",
    // kTextRemedyShorterPath
    "Move the kit to a folder with a shorter path, then run install again.",
    // kTextRemedyDiskFull
    "Free some space on the disk, then run install again.",
    // kTextRemedyRunAgain
    "Run install again to move the rest.",
    // kTextRemedyGeneral
    "Mend what is said of each unit above, then run install again.",
};
static_assert(sizeof kTexts / sizeof kTexts[0] == kTextCount, "a text for every key");

}  // namespace

const char *TextOf(TextKey key) { return kTexts[key]; }
