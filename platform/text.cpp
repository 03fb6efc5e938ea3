#include "platform/text.h"

#include <algorithm>
#include <array>
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

struct Spec {
  bool leftAlign = false;
  bool zeroPad = false;
  bool plus = false;
  bool space = false;
  std::size_t width = 0;
};

struct Conversion {
  std::size_t length = 0;  // 0: the text there is not a complete conversion
  char16_t type = 0;
  Spec spec;
};

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// The conversion starting at format[at] == '%': flags, width, an optional
// precision and length modifier, and the type letter.
inline Conversion ParseConversion(std::u16string_view format, std::size_t at) {
  Conversion c;
  std::size_t i = at + 1;
  for (; i < format.size(); ++i) {
    const char16_t f = format[i];
    if (f == u'-')
      c.spec.leftAlign = true;
    else if (f == u'0')
      c.spec.zeroPad = true;
    else if (f == u'+')
      c.spec.plus = true;
    else if (f == u' ')
      c.spec.space = true;
    else if (f != u'#')
      break;
  }
  for (; i < format.size() && IsDigit(format[i]); ++i) {
    // A width from a file is bounded so that a hostile text cannot make the
    // program build a gigantic string.
    c.spec.width = std::min<std::size_t>(c.spec.width * 10 + (format[i] - u'0'), 1000);
  }
  if (i < format.size() && format[i] == u'.') {
    ++i;
    while (i < format.size() && IsDigit(format[i])) ++i;
  }
  while (i < format.size() && (format[i] == u'l' || format[i] == u'h')) ++i;
  if (i >= format.size()) return c;
  c.type = format[i];
  c.length = i + 1 - at;
  return c;
}

// Where a format's output goes: a growing string, or a caller's buffer that
// is cut at its capacity and never allocates.
class StringSink {
 public:
  explicit StringSink(std::u16string& out) : out_(out) {}
  void Put(char16_t c) { out_.push_back(c); }

 private:
  std::u16string& out_;
};

class BufferSink {
 public:
  BufferSink(char16_t* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}
  // Always leaves room for the terminator.
  void Put(char16_t c) {
    if (length_ + 1 < capacity_) buffer_[length_++] = c;
  }
  std::size_t Finish() {
    if (capacity_ != 0) buffer_[length_] = u'\0';
    return length_;
  }

 private:
  char16_t* buffer_;
  std::size_t capacity_;
  std::size_t length_ = 0;
};

template <typename Sink>
void PutText(Sink& sink, std::u16string_view text) {
  for (const char16_t c : text) sink.Put(c);
}

template <typename Sink>
void PutRepeated(Sink& sink, char16_t c, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) sink.Put(c);
}

// The body padded to the conversion's field width; zeros go after a number's sign.
template <typename Sink>
void PutPadded(Sink& sink, std::u16string_view body, const Spec& spec, bool numeric) {
  const std::size_t fill = body.size() >= spec.width ? 0 : spec.width - body.size();
  if (spec.leftAlign) {
    PutText(sink, body);
    PutRepeated(sink, u' ', fill);
  } else if (spec.zeroPad && numeric) {
    const std::size_t sign = !body.empty() && (body[0] == u'-' || body[0] == u'+') ? 1 : 0;
    PutText(sink, body.substr(0, sign));
    PutRepeated(sink, u'0', fill);
    PutText(sink, body.substr(sign));
  } else {
    PutRepeated(sink, u' ', fill);
    PutText(sink, body);
  }
}

// An integer's characters, sign included, in a local array: rendering one
// never allocates.
class IntegerText {
 public:
  IntegerText(long long value, char16_t type, const Spec& spec) {
    const bool hex = type == u'x' || type == u'X';
    const bool unsignedType = hex || type == u'u';
    unsigned long long magnitude = static_cast<unsigned long long>(value);
    if (unsignedType && value < 0) magnitude &= 0xFFFFFFFFull;  // as a 32-bit unsigned, like printf
    if (!unsignedType && value < 0) magnitude = 0ull - magnitude;
    const unsigned base = hex ? 16 : 10;
    const char16_t* digits = type == u'X' ? u"0123456789ABCDEF" : u"0123456789abcdef";
    std::size_t at = text_.size();
    do {
      text_[--at] = digits[magnitude % base];
      magnitude /= base;
    } while (magnitude != 0);
    if (!unsignedType && value < 0) {
      text_[--at] = u'-';
    } else if (!unsignedType && spec.plus) {
      text_[--at] = u'+';
    } else if (!unsignedType && spec.space) {
      text_[--at] = u' ';
    }
    begin_ = at;
  }

  std::u16string_view View() const { return {text_.data() + begin_, text_.size() - begin_}; }

 private:
  std::array<char16_t, 24> text_{};
  std::size_t begin_ = 0;
};

constexpr auto kIntegerType = [](char16_t type) {
  return type == u'd' || type == u'i' || type == u'u' || type == u'x' || type == u'X';
};

constexpr auto kTextType = [](char16_t type) { return type == u's' || type == u'S'; };

// Substitutes the first conversion that `accepts` with what `render` puts,
// turns "%%" into "%" and keeps everything else literally.
template <typename Sink, typename Accepts, typename Render>
void FormatOne(Sink& sink, std::u16string_view format, Accepts accepts, Render render) {
  bool used = false;
  for (std::size_t i = 0; i < format.size();) {
    if (format[i] != u'%') {
      sink.Put(format[i++]);
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == u'%') {
      sink.Put(u'%');
      i += 2;
      continue;
    }
    const Conversion conversion = ParseConversion(format, i);
    if (!used && conversion.length != 0 && accepts(conversion.type)) {
      render(sink, conversion.spec, conversion.type);
      used = true;
      i += conversion.length;
      continue;
    }
    sink.Put(format[i++]);
  }
}

template <typename Sink>
void FormatIntTo(Sink& sink, std::u16string_view format, long long value) {
  FormatOne(sink, format, kIntegerType, [value](Sink& out, const Spec& spec, char16_t type) {
    PutPadded(out, IntegerText(value, type, spec).View(), spec, true);
  });
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
  std::u16string out;
  out.reserve(format.size() + 16);
  StringSink sink(out);
  FormatIntTo(sink, format, value);
  return out;
}

std::size_t FormatIntInto(std::u16string_view format, long long value, char16_t* buffer,
                          std::size_t capacity) {
  BufferSink sink(buffer, capacity);
  FormatIntTo(sink, format, value);
  return sink.Finish();
}

std::u16string FormatWithText(std::u16string_view format, std::u16string_view text) {
  std::u16string out;
  out.reserve(format.size() + text.size());
  StringSink sink(out);
  FormatOne(sink, format, kTextType, [text](StringSink& into, const Spec& spec, char16_t) {
    PutPadded(into, text, spec, false);
  });
  return out;
}

}  // namespace ombrex
