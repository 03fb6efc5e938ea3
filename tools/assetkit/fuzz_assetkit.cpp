#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tools/assetkit/ini_text.h"
#include "tools/assetkit/utf.h"

// Whatever bytes a source file holds, decoding and parsing must not crash, and
// text that decodes must survive the trip through UTF-16LE unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ombrex::assetkit;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (auto text = DecodeUtf8(bytes)) {
    const auto back = DecodeUtf16Le(EncodeUtf16LeWithBom(*text));
    if (!back || *back != *text) std::abort();
    if (EncodeUtf8(*text) != bytes.substr(bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0)) {
      std::abort();
    }
    const IniText ini = IniText::Parse(*text);
    for (const IniSection& s : ini.Sections()) {
      for (const IniEntry& e : s.entries) (void)ParseRect(e.value);
    }
  }
  (void)DecodeUtf16Le(bytes);
  return 0;
}
