// FormatMessageA for the codes the stand-in sets, with the English texts
// that Windows gives for them, each ending in a line break as there. As on
// Windows, a code without a text and a buffer too small both fail. Only the
// form the program uses is offered: a system message, inserts ignored, the
// user's language.
#include <cstring>

#include "platform/posix/errors.h"

namespace {

struct SystemText {
  DWORD code;
  const char *text;
};

const SystemText kSystemTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
    {ERROR_NOT_SAME_DEVICE, "The system cannot move the file to a different disk drive."},
    {ERROR_NO_MORE_FILES, "There are no more files."},
    {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
    {ERROR_FILE_TOO_LARGE, "The file size exceeds the limit allowed and cannot be saved."},
    {ERROR_IO_DEVICE, "The request could not be performed because of an I/O device error."},
    {ERROR_CANT_RESOLVE_FILENAME, "The name of the file cannot be resolved by the system."},
};

const char kLineBreak[] = "\r\n";

const char *TextOf(DWORD code) {
  for (const SystemText &entry : kSystemTexts)
    if (entry.code == code) return entry.text;
  return nullptr;
}

}  // namespace

extern "C" DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD languageId,
                                LPSTR buffer, DWORD size, va_list *) {
  if (flags != (FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS) || languageId != 0 ||
      buffer == nullptr) {
    FailWith(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char *text = TextOf(messageId);
  if (text == nullptr) {
    FailWith(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  const size_t textLength = strlen(text);
  const size_t length = textLength + sizeof kLineBreak - 1;
  if (length + 1 > size) {
    FailWith(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  memcpy(buffer, text, textLength);
  memcpy(buffer + textLength, kLineBreak, sizeof kLineBreak);
  return static_cast<DWORD>(length);
}
