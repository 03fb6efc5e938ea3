// A format from a file, with an integer, through both safe formatters: the
// buffer variant must give what the string variant gives, cut to its
// capacity and terminated, and no format may grow the text without bound.
//
// Input: 8 bytes of the value, 1 byte of the buffer's capacity, then the
// format as UTF-8.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/text.h"
#include "tests/fuzz/scratch_folder.h"

namespace {

using namespace ombrex;

using fuzz::Require;

constexpr std::size_t kLargest = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 9) return 0;
  long long value = 0;
  std::memcpy(&value, data, sizeof value);
  const std::size_t capacity = data[8];
  const std::u16string format =
      Utf16FromUtf8(std::string_view(reinterpret_cast<const char*>(data) + 9, size - 9));
  if (format.size() > 1000) return 0;

  const std::u16string full = FormatWithInt(format, value);
  // One conversion of at most 1000 characters of width takes the place of
  // its own text; everything else is copied or shrinks ("%%").
  Require(full.size() <= format.size() + 1000 + 24);

  static std::array<char16_t, kLargest> large;
  const std::size_t whole = FormatIntInto(format, value, large.data(), large.size());
  Require(whole == full.size() && std::u16string_view(large.data(), whole) == full);
  Require(large[whole] == u'\0');

  std::array<char16_t, 256> small;
  small.fill(u'#');
  const std::size_t cut = FormatIntInto(format, value, small.data(), capacity);
  if (capacity == 0) {
    Require(cut == 0 && small[0] == u'#');
    return 0;
  }
  Require(cut == std::min(full.size(), capacity - 1));
  Require(std::u16string_view(small.data(), cut) == std::u16string_view(full).substr(0, cut));
  Require(small[cut] == u'\0');
  return 0;
}
