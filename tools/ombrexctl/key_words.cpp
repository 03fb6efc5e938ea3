#include "tools/ombrexctl/key_words.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

#include "platform/text.h"

namespace ombrex::ctl {

namespace {

constexpr unsigned kFirstGKeySlot = 256;
constexpr unsigned kGKeysPerBank = 9;
constexpr unsigned kSlotCount = kFirstGKeySlot + 2 * kGKeysPerBank;

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::optional<unsigned> HexNumber(std::string_view text) {
  if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return std::nullopt;
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data() + 2, text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<unsigned> GKeySlot(std::string_view name) {
  bool bankB = false;
  if (name.size() > 2 &&
      (name.substr(name.size() - 2) == ":B" || name.substr(name.size() - 2) == ":b")) {
    bankB = true;
    name.remove_suffix(2);
  }
  if (name.size() != 2 || (name[0] != 'G' && name[0] != 'g') || name[1] < '1' || name[1] > '9') {
    return std::nullopt;
  }
  return kFirstGKeySlot + (bankB ? kGKeysPerBank : 0) + unsigned(name[1] - '1');
}

std::string Quoted(std::u16string_view text) {
  return "\"" + PrintableText(text) + "\"";
}

bool NeedsEscape(char16_t c) {
  const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
  // Marks that change the direction or order of what follows them.
  const bool reorders = c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
                        (c >= 0x2066 && c <= 0x2069);
  return control || reorders || c == u'\\' || c == u'"';
}

std::string Escape(char16_t c) {
  switch (c) {
    case u'\\':
      return "\\\\";
    case u'"':
      return "\\\"";
    case u'\n':
      return "\\n";
    case u'\r':
      return "\\r";
    case u'\t':
      return "\\t";
    default: {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
      return escaped;
    }
  }
}

}  // namespace

std::string PrintableText(std::u16string_view text) {
  std::string shown;
  std::size_t plainFrom = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!NeedsEscape(text[i])) continue;
    shown += Utf8FromUtf16(text.substr(plainFrom, i - plainFrom)) + Escape(text[i]);
    plainFrom = i + 1;
  }
  return shown + Utf8FromUtf16(text.substr(plainFrom));
}

std::string SlotName(unsigned slot) {
  if (slot >= kFirstGKeySlot && slot < kSlotCount) {
    const unsigned index = (slot - kFirstGKeySlot) % kGKeysPerBank;
    const bool bankB = slot - kFirstGKeySlot >= kGKeysPerBank;
    return "G" + std::to_string(index + 1) + (bankB ? ":B" : "");
  }
  if (slot < kCatalogueSize) {
    const KeyRecord& record = CatalogueRecord(slot);
    if (!record.label.empty()) return Utf8FromUtf16(record.label);
  }
  return "slot " + std::to_string(slot);
}

std::string KeyCodeName(KeyCode code) {
  const KeyRecord* record = RecordFromCode(code);
  if (record != nullptr && !record->label.empty()) return Utf8FromUtf16(record->label);
  char text[16];
  std::snprintf(text, sizeof text, "0x%03X", code);
  return text;
}

std::optional<unsigned> SlotFromName(std::string_view name) {
  if (auto slot = GKeySlot(name)) return slot;
  if (auto code = KeyCodeFromName(name)) {
    const unsigned slot = KeySlotFromCode(*code);
    if (slot < kCatalogueSize) return slot;
  }
  return std::nullopt;
}

std::optional<KeyCode> KeyCodeFromName(std::string_view name) {
  if (auto number = HexNumber(name)) {
    if (*number == 0 || *number > 0xFFFF || RecordFromCode(KeyCode(*number)) == nullptr) {
      return std::nullopt;
    }
    return KeyCode(*number);
  }
  for (std::size_t index = 0; index < kCatalogueSize; ++index) {
    const KeyRecord& record = CatalogueRecord(index);
    if (!record.label.empty() && SameIgnoringCase(Utf8FromUtf16(record.label), name)) {
      return KeyCodeFromIndex(index);
    }
  }
  return std::nullopt;
}

std::string KindName(std::uint16_t kind) {
  static constexpr std::string_view kNames[] = {
      "default", "disabled", "key", "program", "macro", "stop macro", "text", "media", "function"};
  if (kind < std::size(kNames)) return std::string(kNames[kind]);
  return "kind " + std::to_string(kind);
}

std::string DescribeEntry(const KeyEntry& entry, std::u16string_view text,
                          std::span<const MacroRecord> macros) {
  switch (static_cast<AssignKind>(entry.kind)) {
    case AssignKind::Default:
    case AssignKind::Disabled:
    case AssignKind::StopMacro:
      return KindName(entry.kind);
    case AssignKind::SingleKey:
      return "key " + (entry.value <= 0xFFFF ? KeyCodeName(KeyCode(entry.value)) : "?");
    case AssignKind::LaunchProgram:
    case AssignKind::TextBlock:
      return KindName(entry.kind) + " " + Quoted(text);
    case AssignKind::Macro: {
      std::string words = "macro " + std::to_string(entry.value);
      for (const MacroRecord& record : macros) {
        if (record.id == entry.value) words += " " + Quoted(record.Name());
      }
      return words;
    }
    case AssignKind::Media:
      if (entry.value < kMediaTable.size())
        return "media " + KeyCodeName(kMediaTable[entry.value].code);
      return "media " + std::to_string(entry.value);
    case AssignKind::Function:
      if (entry.value < kFunctionTextKeys.size()) {
        return "function " + Utf8FromUtf16(kFunctionTextKeys[entry.value]);
      }
      return "function " + std::to_string(entry.value);
  }
  return KindName(entry.kind) + " value " + std::to_string(entry.value);
}

}  // namespace ombrex::ctl
