// Any bytes as a profile file: the check and the description ombrexctl
// prints (text and JSON), and the key names it reads from a command line.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "model/profile_image.h"
#include "tools/ombrexctl/image_report.h"
#include "tools/ombrexctl/key_words.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  (void)ombrex::ctl::ReasonOf(ombrex::CheckImageBytes(bytes));
  ombrex::ProfileImage image;
  if (image.Parse(bytes)) {
    std::ostringstream text;
    ombrex::ctl::WriteReport(image, text);
    std::ostringstream json;
    ombrex::ctl::WriteJsonReport(image, json);
    // Whatever the file's texts hold, nothing but line ends of the tool's own
    // may reach a terminal raw.
    for (const std::string& shown : {text.str(), json.str()}) {
      for (const char c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\n') || byte == 0x7F) __builtin_trap();
      }
      if (shown.find("\xC2\x9B") != std::string::npos) __builtin_trap();  // U+009B
    }
  }
  const std::string_view words(reinterpret_cast<const char*>(data),
                               std::min<std::size_t>(size, 40));
  if (const auto slot = ombrex::ctl::SlotFromName(words)) {
    if (*slot >= 274) __builtin_trap();
    (void)ombrex::ctl::SlotName(*slot);
  }
  (void)ombrex::ctl::KeyCodeFromName(words);
  (void)ombrex::ctl::JsonString(words);
  return 0;
}
