#pragma once

// Strict text encodings for the asset build. Unlike the program's lenient
// helpers, these refuse malformed input: a language or skin file with a broken
// byte must stop the build instead of shipping a replacement character.

#include <optional>
#include <string>
#include <string_view>

namespace ombrex::assetkit {

// UTF-8 to UTF-16. A leading BOM is dropped. Overlong forms, surrogates, code
// points above U+10FFFF and truncated sequences give nullopt.
std::optional<std::u16string> DecodeUtf8(std::string_view bytes);

// UTF-16LE bytes; a leading BOM (FF FE) is dropped. An odd byte count or an
// unpaired surrogate gives nullopt.
std::optional<std::u16string> DecodeUtf16Le(std::string_view bytes);

// The bytes of `text` as UTF-16LE with a leading BOM, the encoding the
// program's ini reader and the Windows private-profile functions both accept.
std::string EncodeUtf16LeWithBom(std::u16string_view text);

// UTF-16 to UTF-8 for messages; unpaired surrogates become U+FFFD.
std::string EncodeUtf8(std::u16string_view text);

// Reads a whole text file that is UTF-16LE with BOM or UTF-8 (with or without
// BOM). nullopt when the file cannot be read or is not valid in its encoding.
std::optional<std::u16string> ReadTextFile(const std::string& path);

}  // namespace ombrex::assetkit
