#include "platform/text.h"

#include <algorithm>
#include <cstdint>

namespace ombrex {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
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

struct DecodedSequence {
  std::size_t length = 0;  // 0: not a well-formed sequence
  char32_t codePoint = 0;
};

// The UTF-8 sequence starting at bytes[at]. Overlong forms, surrogates, code
// points above U+10FFFF and sequences cut off by the end are malformed.
DecodedSequence DecodeSequence(std::string_view bytes, std::size_t at) {
  const auto lead = static_cast<unsigned char>(bytes[at]);
  std::size_t length = 0;
  char32_t minimum = 0;
  char32_t cp = 0;
  if (lead < 0x80) return {1, lead};
  if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, cp = lead & 0x07;
  } else {
    return {};
  }
  if (at + length > bytes.size()) return {};
  for (std::size_t k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(bytes[at + k]);
    if ((b & 0xC0) != 0x80) return {};
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
  return {length, cp};
}

// One conversion spec starting at format[at] == '%': flags, width, an optional
// length modifier and the type letter. Returns its length, or 0 when the text
// there is not a complete conversion.
std::size_t ConversionLength(std::u16string_view format, std::size_t at, char16_t& type) {
  std::size_t i = at + 1;
  while (i < format.size() && (format[i] == u'-' || format[i] == u'+' || format[i] == u' ' ||
                               format[i] == u'#' || format[i] == u'0')) {
    ++i;
  }
  while (i < format.size() && format[i] >= u'0' && format[i] <= u'9') ++i;
  if (i < format.size() && format[i] == u'.') {
    ++i;
    while (i < format.size() && format[i] >= u'0' && format[i] <= u'9') ++i;
  }
  while (i < format.size() && (format[i] == u'l' || format[i] == u'h')) ++i;
  if (i >= format.size()) return 0;
  type = format[i];
  return i + 1 - at;
}

struct Spec {
  bool leftAlign = false;
  bool zeroPad = false;
  bool plus = false;
  bool space = false;
  std::size_t width = 0;
};

Spec ParseSpec(std::u16string_view spec) {
  Spec s;
  std::size_t i = 1;
  for (; i < spec.size(); ++i) {
    if (spec[i] == u'-')
      s.leftAlign = true;
    else if (spec[i] == u'0')
      s.zeroPad = true;
    else if (spec[i] == u'+')
      s.plus = true;
    else if (spec[i] == u' ')
      s.space = true;
    else if (spec[i] != u'#')
      break;
  }
  for (; i < spec.size() && spec[i] >= u'0' && spec[i] <= u'9'; ++i) {
    // A width from a file is bounded so that a hostile text cannot make the
    // program build a gigantic string.
    s.width = std::min<std::size_t>(s.width * 10 + (spec[i] - u'0'), 1000);
  }
  return s;
}

std::u16string Pad(std::u16string body, const Spec& spec, bool numeric) {
  if (body.size() >= spec.width) return body;
  const std::size_t fill = spec.width - body.size();
  if (spec.leftAlign) return body + std::u16string(fill, u' ');
  if (spec.zeroPad && numeric) {
    std::size_t signLength = (!body.empty() && (body[0] == u'-' || body[0] == u'+')) ? 1 : 0;
    return body.substr(0, signLength) + std::u16string(fill, u'0') + body.substr(signLength);
  }
  return std::u16string(fill, u' ') + body;
}

std::u16string IntegerText(long long value, char16_t type, const Spec& spec) {
  std::u16string digits;
  if (type == u'x' || type == u'X') {
    const char16_t* alphabet = type == u'x' ? u"0123456789abcdef" : u"0123456789ABCDEF";
    unsigned long long v = static_cast<unsigned long long>(value);
    if (value < 0) v &= 0xFFFFFFFFull;  // as a 32-bit unsigned, like printf
    do {
      digits.insert(digits.begin(), alphabet[v % 16]);
      v /= 16;
    } while (v != 0);
    return digits;
  }
  if (type == u'u') {
    unsigned long long v = static_cast<unsigned long long>(value);
    if (value < 0) v &= 0xFFFFFFFFull;
    do {
      digits.insert(digits.begin(), static_cast<char16_t>(u'0' + v % 10));
      v /= 10;
    } while (v != 0);
    return digits;
  }
  std::u16string text = DecimalText(value);
  if (value >= 0 && spec.plus)
    text.insert(text.begin(), u'+');
  else if (value >= 0 && spec.space)
    text.insert(text.begin(), u' ');
  return text;
}

bool IsIntegerType(char16_t type) {
  return type == u'd' || type == u'i' || type == u'u' || type == u'x' || type == u'X';
}

// Substitutes the first conversion that `accepts` with `render`, turns "%%"
// into "%" and keeps everything else literally.
template <typename Accepts, typename Render>
std::u16string FormatOne(std::u16string_view format, Accepts accepts, Render render) {
  std::u16string out;
  out.reserve(format.size() + 16);
  bool used = false;
  for (std::size_t i = 0; i < format.size();) {
    if (format[i] != u'%') {
      out.push_back(format[i++]);
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == u'%') {
      out.push_back(u'%');
      i += 2;
      continue;
    }
    char16_t type = 0;
    const std::size_t length = ConversionLength(format, i, type);
    if (!used && length != 0 && accepts(type)) {
      out += render(ParseSpec(format.substr(i, length)), type);
      used = true;
      i += length;
      continue;
    }
    out.push_back(format[i++]);
  }
  return out;
}

}  // namespace

std::u16string Utf16FromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const DecodedSequence sequence = DecodeSequence(utf8, i);
    // A broken sequence costs one byte: what follows it is still read.
    AppendUtf16(out, sequence.length == 0 ? kReplacement : sequence.codePoint);
    i += sequence.length == 0 ? 1 : sequence.length;
  }
  return out;
}

std::optional<std::u16string> Utf16FromUtf8Strict(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const DecodedSequence sequence = DecodeSequence(utf8, i);
    if (sequence.length == 0) return std::nullopt;
    AppendUtf16(out, sequence.codePoint);
    i += sequence.length;
  }
  return out;
}

std::string Utf8FromUtf16(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::u16string Utf16FromAscii(std::string_view ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i];
    char16_t y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::u16string DecimalText(long long value) {
  char16_t digits[24];
  std::size_t n = 0;
  const bool negative = value < 0;
  unsigned long long v = negative ? 0ull - static_cast<unsigned long long>(value)
                                  : static_cast<unsigned long long>(value);
  do {
    digits[n++] = static_cast<char16_t>(u'0' + v % 10);
    v /= 10;
  } while (v != 0);
  std::u16string out;
  if (negative) out.push_back(u'-');
  while (n > 0) out.push_back(digits[--n]);
  return out;
}

std::optional<int> ScanInt(std::u16string_view text, std::size_t& pos) {
  constexpr long long kMax = 2147483647LL;
  std::size_t i = pos;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  const std::size_t digitsBegin = i;
  long long magnitude = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    magnitude = std::min(magnitude * 10 + (text[i] - u'0'), kMax + 1);
  }
  if (i == digitsBegin) return std::nullopt;
  pos = i;
  return static_cast<int>(negative ? -magnitude : std::min(magnitude, kMax));
}

int LeadingInt(std::u16string_view text, int fallback) {
  std::size_t pos = 0;
  return ScanInt(text, pos).value_or(fallback);
}

std::u16string FormatWithInt(std::u16string_view format, long long value) {
  return FormatOne(format, IsIntegerType, [value](const Spec& spec, char16_t type) {
    return Pad(IntegerText(value, type, spec), spec, true);
  });
}

std::u16string FormatWithText(std::u16string_view format, std::u16string_view text) {
  return FormatOne(
      format, [](char16_t type) { return type == u's' || type == u'S'; },
      [text](const Spec& spec, char16_t) { return Pad(std::u16string(text), spec, false); });
}

}  // namespace ombrex
