#include "tests/unit/model/model_test_support.h"

#include "model/key_catalogue.h"
#include "platform/text.h"

namespace ombrex::test {
namespace {

std::string TextFileContent(std::string_view extraLines) {
  std::string text;
  for (std::size_t i = 0; i < kCatalogueSize; ++i) {
    const KeyRecord& record = CatalogueRecord(i);
    if (record.textKey.empty()) continue;
    text += Utf8FromUtf16(record.textKey) + "=" + Utf8FromUtf16(record.label) + "\n";
  }
  text +=
      "Unknown Key: %03x=Unknown Key: %03x\n"
      "IDS_KEY_PROMPT_SET=[set]\n"
      "IDS_KEY_PROMPT_SINGLE=key(\n"
      "IDS_KEY_PROMPT_MACRO=macro(\n"
      "IDS_KEY_PROMPT_MEDIA=media(\n"
      "IDS_KEY_PROMPT_FUNCTION=function(\n"
      "IDS_COMPOSITE_FUNC_KEY_COPY=Copy it\n"
      "IDS_MACRO_NEW_PREFIX=Macro \n"
      "IDS_MACRO_OVER=Macros too large\n"
      "EXTRA_PROFILE_SPACE_TIGHT=Sent without names\n"
      "IDS_MAIN_DEVICE_PROMRT=No keyboard\n"
      "IDS_KEY_MACRO_DELETE_CONFIRM_OF_KEYS=Keys play this macro. Delete?\n";
  // The test's own lines come first: the first of two equal keys wins.
  return "[TEXT]\n" + std::string(extraLines) + text;
}

}  // namespace

TestTexts::TestTexts(std::string_view extraLines) {
  dir_.Write("Lang0409.ini", TextFileContent(extraLines));
  dir_.Write("Skins/language.ini", "[LANGUAGE]\nlanguage=1\n");
  store_ = OpenSettingsIn(dir_.path() / "config");
  texts_ = std::make_unique<Texts>(dir_.path(), *store_, 0x0409);
}

KeyEntry Entry(AssignKind kind, std::uint32_t value, std::uint16_t aux) {
  KeyEntry entry;
  entry.kind = static_cast<std::uint16_t>(kind);
  entry.value = value;
  entry.aux = aux;
  return entry;
}

MacroRecord Macro(std::uint16_t id, std::u16string_view name, std::size_t actions,
                  std::uint32_t delay) {
  MacroRecord record;
  record.id = id;
  record.cycles = 1;
  record.SetName(name);
  record.count = static_cast<std::uint16_t>(actions);
  for (std::size_t a = 0; a < actions; ++a) {
    record.actions[a] = {delay, 0x01E, static_cast<std::uint16_t>(a % 2)};
  }
  return record;
}

std::vector<std::uint8_t> Bytes(std::string_view hex) {
  std::vector<std::uint8_t> bytes;
  std::string digits;
  for (const char c : hex) {
    if (c == ' ') continue;
    digits.push_back(c);
    if (digits.size() == 2) {
      bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16)));
      digits.clear();
    }
  }
  return bytes;
}

}  // namespace ombrex::test
