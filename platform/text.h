#pragma once

// UTF-16 helpers and safe formatting of texts that come from files.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ombrex {

std::u16string Utf16FromUtf8(std::string_view utf8);  // invalid bytes become U+FFFD
// nullopt for any malformed sequence (overlong, surrogate, above U+10FFFF, cut off).
std::optional<std::u16string> Utf16FromUtf8Strict(std::string_view utf8);
std::string Utf8FromUtf16(std::u16string_view utf16);  // lone surrogates become U+FFFD
std::u16string Utf16FromAscii(std::string_view ascii);

// Case-insensitive comparison of ASCII letters (other characters compare as
// they are), the rule ini section and key names follow.
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

std::u16string DecimalText(long long value);

// Reads an integer at `pos` as "%d" reads one: white space, an optional sign,
// at least one digit. On success `pos` moves past the number; values beyond
// int's range are clamped. Without a number nullopt, and `pos` stays.
std::optional<int> ScanInt(std::u16string_view text, std::size_t& pos);

// The number a text starts with, as "%d" reads it, or `fallback`.
int LeadingInt(std::u16string_view text, int fallback);

// Formats a text from a language or skin file that the program uses as a
// format with exactly one argument. Only the first conversion of the expected
// kind is substituted ("%d", "%s", or an integer conversion with flags, width
// and a hex/decimal type such as "%03x"); "%%" becomes "%"; every other '%'
// sequence is kept literally. A file can therefore never make the program read
// arguments it did not pass, whatever it contains.
std::u16string FormatWithInt(std::u16string_view format, long long value);
std::u16string FormatWithText(std::u16string_view format, std::u16string_view text);

// FormatWithInt into a caller's buffer, for hot paths (the unknown-key name
// of every recorded key event): never allocates. Writes at most capacity - 1
// characters and a terminator and returns the number of characters written;
// capacity 0 writes nothing.
std::size_t FormatIntInto(std::u16string_view format, long long value, char16_t* buffer,
                          std::size_t capacity);

}  // namespace ombrex
