#include "tools/assetkit/utf.h"

#include <cstdint>
#include <fstream>
#include <iterator>

#include "platform/text.h"

namespace ombrex::assetkit {

std::optional<std::u16string> DecodeUtf8(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return Utf16FromUtf8Strict(bytes);
}

std::optional<std::u16string> DecodeUtf16Le(std::string_view bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const auto lo = static_cast<std::uint8_t>(bytes[i]);
    const auto hi = static_cast<std::uint8_t>(bytes[i + 1]);
    out.push_back(static_cast<char16_t>(lo | (hi << 8)));
  }
  if (!out.empty() && out.front() == u'\xFEFF') out.erase(0, 1);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const char16_t c = out[i];
    if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= out.size() || out[i + 1] < 0xDC00 || out[i + 1] > 0xDFFF) return std::nullopt;
      ++i;
    }
  }
  return out;
}

std::string EncodeUtf16LeWithBom(std::u16string_view text) {
  std::string out;
  out.reserve(2 + text.size() * 2);
  out.append("\xFF\xFE", 2);
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

std::string EncodeUtf8(std::u16string_view text) {
  return Utf8FromUtf16(text);
}

std::optional<std::u16string> ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') return DecodeUtf16Le(bytes);
  return DecodeUtf8(bytes);
}

}  // namespace ombrex::assetkit
