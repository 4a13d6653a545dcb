#pragma once
// Bounded writing of zero-terminated text into fixed-size buffers.
#include <cstddef>
#include <cstdint>

// Writes text at `at`, terminator included, when all of it fits before
// buffer + size. Returns false, writing nothing, when it would not.
bool WriteWithin(char *buffer, size_t size, char *at, const char *text);
// The same at the end of the string in buffer.
bool AppendWithin(char *buffer, size_t size, const char *text);

// Room for the decimal digits of any unsigned 32-bit value and a terminator.
constexpr size_t kDecimalSize = 11;

// Writes value in decimal into digits and returns where the number starts.
const char *FormatDecimal(std::uint32_t value, char (&digits)[kDecimalSize]);
