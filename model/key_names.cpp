#include "model/key_names.h"

#include <algorithm>
#include <array>

#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace ombrex {
namespace {

// Language texts are at most 259 characters.
constexpr std::size_t kTextCapacity = 260;

// The table's keys: the text key of every catalogue record at its index, then
// the unknown-key format.
constexpr std::size_t kUnknownFormat = kCatalogueSize;

std::span<const std::u16string_view> NameKeys() {
  static const std::array<std::u16string_view, kCatalogueSize + 1> keys = [] {
    std::array<std::u16string_view, kCatalogueSize + 1> list{};
    for (std::size_t i = 0; i < kCatalogueSize; ++i) list[i] = CatalogueRecord(i).textKey;
    list[kUnknownFormat] = text_catalogue::kUnknownKey;
    return list;
  }();
  return keys;
}

}  // namespace

KeyNameTable::KeyNameTable(const Texts& texts) : texts_(texts.Table(NameKeys())) {}

KeyNameTable::KeyNameTable(const Texts& texts, int languageIndex)
    : texts_(texts.Table(NameKeys(), languageIndex)) {}

std::u16string_view KeyNameTable::OwnName(KeyCode code) const {
  const KeyRecord* record = RecordFromCode(code);
  if (record == nullptr || record->textKey.empty()) return {};
  return (*texts_)[KeySlotFromCode(code)];
}

std::size_t KeyNameTable::Name(KeyCode code, char16_t* buffer, std::size_t capacity) const {
  if (capacity == 0) return 0;
  const std::u16string_view name = OwnName(code);
  if (name.empty()) return FormatIntInto((*texts_)[kUnknownFormat], code, buffer, capacity);
  // Only an empty text means "no name": one that merely does not fit is cut.
  const std::size_t kept = std::min(name.size(), capacity - 1);
  std::copy_n(name.data(), kept, buffer);
  buffer[kept] = u'\0';
  return kept;
}

void KeyNameTable::AppendTo(std::u16string& text, KeyCode code) const {
  const std::u16string_view name = OwnName(code);
  if (!name.empty()) {
    text += name;
    return;
  }
  std::array<char16_t, kTextCapacity> unknown{};
  text.append(unknown.data(), Name(code, unknown.data(), unknown.size()));
}

std::u16string KeyNameTable::Text(KeyCode code) const {
  std::u16string text;
  AppendTo(text, code);
  return text;
}

std::u16string_view KeyNameTable::ListLabel(std::size_t position) const {
  const KeyCode code = CodeFromListPosition(position);
  return code == 0 ? std::u16string_view() : OwnName(code);
}

int KeyNameTable::LanguageIndex() const {
  return texts_->LanguageIndex();
}

std::size_t KeyName(const Texts& texts, KeyCode code, char16_t* buffer, std::size_t capacity) {
  return KeyNameTable(texts).Name(code, buffer, capacity);
}

std::size_t KeyName(const Texts& texts, int languageIndex, KeyCode code, char16_t* buffer,
                    std::size_t capacity) {
  return KeyNameTable(texts, languageIndex).Name(code, buffer, capacity);
}

std::u16string KeyNameText(const Texts& texts, KeyCode code) {
  return KeyNameTable(texts).Text(code);
}

std::u16string ListLabel(const Texts& texts, std::size_t position) {
  return std::u16string(KeyNameTable(texts).ListLabel(position));
}

}  // namespace ombrex
