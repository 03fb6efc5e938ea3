#include "model/key_names.h"

#include <algorithm>
#include <array>

#include "model/format_into.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace ombrex {
namespace {

// Language texts are at most 259 characters.
constexpr std::size_t kTextCapacity = 260;

std::size_t UnknownKeyName(const Texts& texts, int languageIndex, KeyCode code, char16_t* buffer,
                           std::size_t capacity) {
  std::array<char16_t, kTextCapacity> format{};
  const std::size_t length = texts.LookupTextInto(text_catalogue::kUnknownKey, languageIndex,
                                                  format.data(), format.size());
  return FormatIntInto(std::u16string_view(format.data(), length), code, buffer, capacity);
}

}  // namespace

std::size_t KeyName(const Texts& texts, KeyCode code, char16_t* buffer, std::size_t capacity) {
  return KeyName(texts, texts.CurrentLanguageIndex(), code, buffer, capacity);
}

std::size_t KeyName(const Texts& texts, int languageIndex, KeyCode code, char16_t* buffer,
                    std::size_t capacity) {
  if (capacity == 0) return 0;
  const KeyRecord* record = RecordFromCode(code);
  if (record != nullptr && !record->textKey.empty()) {
    // Looked up at full length first: only an empty text means "no name", a
    // name that merely does not fit the buffer is cut, not replaced.
    std::array<char16_t, kTextCapacity> name{};
    const std::size_t length =
        texts.LookupTextInto(record->textKey, languageIndex, name.data(), name.size());
    if (length != 0) {
      const std::size_t kept = length < capacity ? length : capacity - 1;
      std::copy_n(name.data(), kept, buffer);
      buffer[kept] = u'\0';
      return kept;
    }
  }
  return UnknownKeyName(texts, languageIndex, code, buffer, capacity);
}

std::u16string KeyNameText(const Texts& texts, KeyCode code) {
  std::array<char16_t, kTextCapacity> name{};
  const std::size_t length = KeyName(texts, code, name.data(), name.size());
  return std::u16string(name.data(), length);
}

std::u16string ListLabel(const Texts& texts, std::size_t position) {
  const KeyCode code = CodeFromListPosition(position);
  const KeyRecord* record = code == 0 ? nullptr : RecordFromCode(code);
  if (record == nullptr || record->textKey.empty()) return {};
  return texts.Text(record->textKey);
}

}  // namespace ombrex
