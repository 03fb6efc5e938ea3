#pragma once

// Formatting into a caller's buffer without allocating, for the few formats
// that run on hot paths (the unknown-key name). Same rules as FormatWithInt of
// platform/text.h: only the first integer conversion ("%d", "%i", "%u", "%x",
// "%X" with flags and width) receives the value, "%%" becomes "%", and every
// other '%' sequence stays as it is, so a format from a file can never make the
// program read arguments it did not pass.

#include <cstddef>
#include <string_view>

namespace ombrex {

// Writes at most capacity - 1 characters and a terminator; returns the number
// of characters written. capacity 0 writes nothing.
std::size_t FormatIntInto(std::u16string_view format, long long value, char16_t* buffer,
                          std::size_t capacity);

}  // namespace ombrex
