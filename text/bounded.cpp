#include "text/bounded.h"

#include <cstring>

bool WriteWithin(char *buffer, size_t size, char *at, const char *text) {
  const size_t room = static_cast<size_t>(buffer + size - at);
  const size_t length = strlen(text);
  if (length >= room) return false;
  memcpy(at, text, length + 1);
  return true;
}

bool AppendWithin(char *buffer, size_t size, const char *text) {
  return WriteWithin(buffer, size, buffer + strnlen(buffer, size), text);
}

const char *FormatDecimal(std::uint32_t value, char (&digits)[kDecimalSize]) {
  char *first = digits + kDecimalSize - 1;
  *first = '\0';
  do {
    *--first = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return first;
}
