#pragma once

// Stand-in for the two registry homes the program uses:
//  - the framework's application profile strings: company "Vantrel_Pellucid",
//    application "Ombrex", sections such as "PROFILES", text values;
//  - the program's own key "Software\Ombrex" with REG_DWORD values such as
//    "dwLanguageId".
// Names and value formats are those of the registry. On Linux the values live
// in ini files under the XDG config folder (a DWORD keeps its type); on Windows
// in the registry itself.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ombrex {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // GetProfileString: the text value `name` of `section`, or `defaultValue`
  // when it is missing or unreadable.
  virtual std::u16string ReadProfileString(std::u16string_view section, std::u16string_view name,
                                           std::u16string_view defaultValue) = 0;
  // WriteProfileString. False when the value could not be stored; the next
  // read then gives the old value or the default.
  virtual bool WriteProfileString(std::u16string_view section, std::u16string_view name,
                                  std::u16string_view value) = 0;

  // A REG_DWORD value of the program key; nullopt when it is missing or of
  // another type.
  virtual std::optional<std::uint32_t> ReadDword(std::u16string_view name) = 0;
  virtual bool WriteDword(std::u16string_view name, std::uint32_t value) = 0;
};

// The store of the current user: the registry on Windows, files under
// `configRoot` (default: $XDG_CONFIG_HOME, else ~/.config) elsewhere.
std::unique_ptr<SettingsStore> OpenUserSettings();
std::unique_ptr<SettingsStore> OpenSettingsIn(const std::filesystem::path& configRoot);

}  // namespace ombrex
