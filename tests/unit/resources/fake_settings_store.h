#pragma once

#include <map>

#include "platform/settings_store.h"

namespace ombrex::test {

// An in-memory settings store that counts its calls and can refuse writes.
class FakeSettingsStore : public SettingsStore {
 public:
  std::u16string ReadProfileString(std::u16string_view section, std::u16string_view name,
                                   std::u16string_view defaultValue) override {
    const auto found = strings.find(Key(section, name));
    return found != strings.end() ? found->second : std::u16string(defaultValue);
  }
  bool WriteProfileString(std::u16string_view section, std::u16string_view name,
                          std::u16string_view value) override {
    ++writes;
    if (failWrites) return false;
    strings[Key(section, name)] = std::u16string(value);
    return true;
  }
  std::optional<std::uint32_t> ReadDword(std::u16string_view name) override {
    ++dwordReads;
    const auto found = dwords.find(std::u16string(name));
    return found != dwords.end() ? std::optional(found->second) : std::nullopt;
  }
  bool WriteDword(std::u16string_view name, std::uint32_t value) override {
    ++writes;
    if (failWrites) return false;
    dwords[std::u16string(name)] = value;
    return true;
  }

  static std::u16string Key(std::u16string_view section, std::u16string_view name) {
    return std::u16string(section) + u"\\" + std::u16string(name);
  }

  std::map<std::u16string, std::u16string> strings;
  std::map<std::u16string, std::uint32_t> dwords;
  bool failWrites = false;
  int writes = 0;
  int dwordReads = 0;
};

}  // namespace ombrex::test
