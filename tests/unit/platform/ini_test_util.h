#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace ombrex::test {

inline std::string Utf16LeBytes(std::u16string_view text, bool bom = true) {
  std::string bytes = bom ? std::string("\xFF\xFE") : std::string();
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

inline std::string Utf8Bytes(std::u16string_view text, bool bom = false) {
  return (bom ? std::string("\xEF\xBB\xBF") : std::string()) + Utf8FromUtf16(text);
}

}  // namespace ombrex::test
