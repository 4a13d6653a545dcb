#include "install/names/name_rules.h"

#include <cstring>

#include "install/names/case_fold.h"
#include "text/utf8.h"

namespace {

constexpr WCHAR kFirstPrintable = 0x20;
const char kNotInNames[] = "\\/:*?\"<>|";

// Windows keeps these for devices whatever follows the first dot, in any
// case, and with blanks before the dot.
const char *const kDeviceNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
const char *const kNumberedDevices[] = {"COM", "LPT"};
// The digits that number a device: 0 to 9, and the superscripts 1, 2, 3.
constexpr WCHAR kSuperscriptDigits[] = {0x00B9, 0x00B2, 0x00B3};

bool SameLetters(const WCHAR *name, size_t length, const char *word) {
  if (strlen(word) != length) return false;
  for (size_t i = 0; i < length; ++i)
    if (UpperCase(name[i]) != static_cast<WCHAR>(word[i])) return false;
  return true;
}

bool IsDeviceDigit(WCHAR unit) {
  if (unit >= '0' && unit <= '9') return true;
  for (WCHAR digit : kSuperscriptDigits)
    if (unit == digit) return true;
  return false;
}

bool IsDeviceName(const WCHAR *name) {
  size_t stem = 0;
  while (name[stem] != 0 && name[stem] != '.') ++stem;
  while (stem > 0 && name[stem - 1] == ' ') --stem;
  for (const char *device : kDeviceNames)
    if (SameLetters(name, stem, device)) return true;
  for (const char *device : kNumberedDevices)
    if (stem == 4 && SameLetters(name, 3, device) && IsDeviceDigit(name[3])) return true;
  return false;
}

}  // namespace

bool NameIsOwn(const UnitMatch &match, LeftReason *reason) {
  const WCHAR *name = match.name;
  if (!match.exact) {
    *reason = kLeftNameNotExact;
    return false;
  }
  size_t length = 0;
  for (; name[length] != 0; ++length) {
    const WCHAR unit = name[length];
    if (unit < kFirstPrintable || (unit < 0x80 && strchr(kNotInNames, unit) != nullptr)) {
      *reason = kLeftNameHoldsPath;
      return false;
    }
    if (unit == kReplacementCharacter) {
      *reason = kLeftNameNotExact;
      return false;
    }
  }
  // Paths drop a trailing dot or space: such a name is found by the search
  // (through its short name) but can never be copied or deleted by it.
  if (length > 0 && (name[length - 1] == '.' || name[length - 1] == ' ')) {
    *reason = kLeftNameUnreachable;
    return false;
  }
  if (IsDeviceName(name)) {
    *reason = kLeftDeviceName;
    return false;
  }
  return true;
}
