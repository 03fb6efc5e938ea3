// Any text as a skin placement value. Besides crashes and undefined
// behaviour (numbers beyond an int): the value reads as "%d,%d,%d,%d" does,
// checked against sscanf wherever sscanf's own result is defined.

#include <cstdint>
#include <cstdio>
#include <string>

#include "resources/skin_file.h"
#include "tests/fuzz/scratch_folder.h"

namespace {

// sscanf gives no defined result for a number that does not fit an int, so
// only short numbers are compared.
bool ComparableWithScanf(const std::string& text) {
  int digits = 0;
  for (const char c : text) {
    if (c == '\0' || static_cast<unsigned char>(c) >= 0x80) return false;
    digits = (c >= '0' && c <= '9') ? digits + 1 : 0;
    if (digits > 9) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Byte pairs as UTF-16 units, so a file's text of any kind reaches the reader.
  std::u16string wide;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    wide.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  }
  const ombrex::Placement wideRead = ombrex::ParsePlacement(wide);
  (void)wideRead.IsHidden();

  // The same bytes one to a character, as an ASCII skin file holds them.
  const std::string narrow(reinterpret_cast<const char*>(data), size);
  const ombrex::Placement read =
      ombrex::ParsePlacement(std::u16string(narrow.begin(), narrow.end()));
  if (ComparableWithScanf(narrow)) {
    int fields[4] = {1, 1, 1, 1};
    std::sscanf(narrow.c_str(), "%d,%d,%d,%d", &fields[0], &fields[1], &fields[2], &fields[3]);
    ombrex::fuzz::Require(read == ombrex::Placement{fields[0], fields[1], fields[2], fields[3]});
  }
  return 0;
}
