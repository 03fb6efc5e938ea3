#include "tools/assetkit/utf.h"

#include <cstdint>
#include <fstream>
#include <iterator>

namespace ombrex::assetkit {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
    return;
  }
  cp -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool IsSurrogate(char32_t cp) {
  return cp >= 0xD800 && cp <= 0xDFFF;
}

// Length of the sequence a lead byte starts and the smallest code point it may
// encode (anything below is an overlong form); 0 for a byte that cannot lead.
struct Lead {
  int length;
  char32_t minimum;
  char32_t bits;
};

Lead ClassifyLead(std::uint8_t b) {
  if (b < 0x80) return {1, 0, b};
  if ((b & 0xE0) == 0xC0) return {2, 0x80, static_cast<char32_t>(b & 0x1F)};
  if ((b & 0xF0) == 0xE0) return {3, 0x800, static_cast<char32_t>(b & 0x0F)};
  if ((b & 0xF8) == 0xF0) return {4, 0x10000, static_cast<char32_t>(b & 0x07)};
  return {0, 0, 0};
}

}  // namespace

std::optional<std::u16string> DecodeUtf8(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const Lead lead = ClassifyLead(static_cast<std::uint8_t>(bytes[i]));
    if (lead.length == 0 || i + lead.length > bytes.size()) return std::nullopt;
    char32_t cp = lead.bits;
    for (int k = 1; k < lead.length; ++k) {
      const auto b = static_cast<std::uint8_t>(bytes[i + k]);
      if ((b & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < lead.minimum || cp > 0x10FFFF || IsSurrogate(cp)) return std::nullopt;
    AppendUtf16(out, cp);
    i += lead.length;
  }
  return out;
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
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsSurrogate(cp)) {
      cp = kReplacement;
    }
    AppendUtf8(out, cp);
  }
  return out;
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
