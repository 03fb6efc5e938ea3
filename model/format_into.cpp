#include "model/format_into.h"

#include <algorithm>
#include <array>

namespace ombrex {
namespace {

// Appends while there is room and always leaves space for the terminator.
class BoundedWriter {
 public:
  BoundedWriter(char16_t* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}

  void Put(char16_t c) {
    if (length_ + 1 < capacity_) buffer_[length_++] = c;
  }
  void Repeat(char16_t c, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) Put(c);
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

struct Conversion {
  std::size_t length = 0;  // 0: not a complete conversion
  char16_t type = 0;
  bool leftAlign = false;
  bool zeroPad = false;
  bool plus = false;
  bool space = false;
  std::size_t width = 0;
};

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

Conversion ParseConversion(std::u16string_view format, std::size_t at) {
  Conversion c;
  std::size_t i = at + 1;
  for (; i < format.size(); ++i) {
    const char16_t f = format[i];
    if (f == u'-')
      c.leftAlign = true;
    else if (f == u'0')
      c.zeroPad = true;
    else if (f == u'+')
      c.plus = true;
    else if (f == u' ')
      c.space = true;
    else if (f != u'#')
      break;
  }
  // A width from a file is bounded so that it cannot ask for a gigantic text.
  for (; i < format.size() && IsDigit(format[i]); ++i) {
    c.width = std::min<std::size_t>(c.width * 10 + (format[i] - u'0'), 1000);
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

bool IsIntegerType(char16_t type) {
  return type == u'd' || type == u'i' || type == u'u' || type == u'x' || type == u'X';
}

// Digits of the value, most significant first, in a small local array.
struct Digits {
  std::array<char16_t, 24> text{};
  std::size_t length = 0;
};

Digits Render(long long value, const Conversion& c) {
  Digits out;
  std::array<char16_t, 24> reversed{};
  std::size_t n = 0;
  const bool hex = c.type == u'x' || c.type == u'X';
  const bool unsignedType = hex || c.type == u'u';
  unsigned long long magnitude;
  if (unsignedType) {
    magnitude = static_cast<unsigned long long>(value);
    if (value < 0) magnitude &= 0xFFFFFFFFull;  // as a 32-bit unsigned, like printf
  } else {
    magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                          : static_cast<unsigned long long>(value);
  }
  const unsigned base = hex ? 16 : 10;
  const char16_t* alphabet = c.type == u'X' ? u"0123456789ABCDEF" : u"0123456789abcdef";
  do {
    reversed[n++] = alphabet[magnitude % base];
    magnitude /= base;
  } while (magnitude != 0);
  if (!unsignedType) {
    if (value < 0)
      reversed[n++] = u'-';
    else if (c.plus)
      reversed[n++] = u'+';
    else if (c.space)
      reversed[n++] = u' ';
  }
  for (std::size_t i = 0; i < n; ++i) out.text[i] = reversed[n - 1 - i];
  out.length = n;
  return out;
}

void WritePadded(BoundedWriter& writer, const Digits& body, const Conversion& c) {
  const std::size_t fill = body.length >= c.width ? 0 : c.width - body.length;
  if (c.leftAlign) {
    for (std::size_t i = 0; i < body.length; ++i) writer.Put(body.text[i]);
    writer.Repeat(u' ', fill);
    return;
  }
  if (c.zeroPad) {
    const bool sign = body.length > 0 && (body.text[0] == u'-' || body.text[0] == u'+');
    std::size_t i = 0;
    if (sign) writer.Put(body.text[i++]);
    writer.Repeat(u'0', fill);
    for (; i < body.length; ++i) writer.Put(body.text[i]);
    return;
  }
  writer.Repeat(u' ', fill);
  for (std::size_t i = 0; i < body.length; ++i) writer.Put(body.text[i]);
}

}  // namespace

std::size_t FormatIntInto(std::u16string_view format, long long value, char16_t* buffer,
                          std::size_t capacity) {
  BoundedWriter writer(buffer, capacity);
  bool used = false;
  for (std::size_t i = 0; i < format.size();) {
    if (format[i] != u'%') {
      writer.Put(format[i++]);
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == u'%') {
      writer.Put(u'%');
      i += 2;
      continue;
    }
    const Conversion c = ParseConversion(format, i);
    if (!used && c.length != 0 && IsIntegerType(c.type)) {
      WritePadded(writer, Render(value, c), c);
      used = true;
      i += c.length;
      continue;
    }
    writer.Put(format[i++]);
  }
  return writer.Finish();
}

}  // namespace ombrex
