#pragma once
// Every text the run's box can show, in one table: the messages, the
// reasons a unit was left and the closing lines. Each has a key, and the
// tests read the texts by their keys. A count is put where a text says
// kCountMark.
enum TextKey {
  kTextInstalled,
  kTextNoWorkDir,
  kTextWorkDirNotExact,
  kTextNotInKit,
  kTextReturnFailed,
  kTextSearchBroken,
  kTextLeftOne,
  kTextLeftMany,
  kTextMoreLeft,
  kTextSystemError,
  // Why a unit was left, one for each reason but a system error.
  kTextPathTooLong,
  kTextTargetIsSource,
  kTextNameUnreachable,
  kTextNameHoldsPath,
  kTextNameNotExact,
  kTextDeviceName,
  kTextNameTaken,
  kTextNoRoomForName,
  kTextNoStagingName,
  kTextShortNameTaken,
  // The closing lines: what to do about the units named.
  kTextRemedyInUse,
  kTextRemedyLib,
  kTextRemedyRename,
  kTextRemedyStaging,
  kTextRemedyShorterPath,
  kTextRemedyDiskFull,
  kTextRemedyRunAgain,
  kTextRemedyGeneral,
  kTextCount
};

constexpr char kCountMark[] = "{n}";

const char *TextOf(TextKey key);
// The key's name ("installed", "reason_device_name", ...), by which tests
// outside the program ask for a text (install/text_keys.cpp, host only).
const char *KeyNameOf(TextKey key);
