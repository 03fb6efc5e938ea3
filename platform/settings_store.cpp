#include "platform/settings_store.h"

#include <cstdlib>
#include <system_error>

#include "platform/ini.h"
#include "platform/text.h"

#ifdef _WIN32
#include "platform/win32.h"
#endif

namespace ombrex {
namespace {

constexpr std::u16string_view kProgramKey = u"HKEY_CURRENT_USER\\Software\\Ombrex";
constexpr std::u16string_view kDwordPrefix = u"dword:";

bool IsBlankAt(std::u16string_view text, std::size_t at) {
  const char16_t c = text[at];
  return c == u' ' || c == u'\t';
}

// A registry value is stored exactly; ini reading trims blanks and takes away
// one pair of quotes. Values those rules would change get a pair of quotes
// of their own, which reading then removes again.
std::u16string Protect(std::u16string_view value) {
  const bool edgeBlank =
      !value.empty() && (IsBlankAt(value, 0) || IsBlankAt(value, value.size() - 1));
  const bool quoted = value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
                      value.back() == value.front();
  if (!edgeBlank && !quoted) return std::u16string(value);
  std::u16string protectedValue;
  protectedValue.reserve(value.size() + 2);
  protectedValue.push_back(u'"');
  protectedValue.append(value);
  protectedValue.push_back(u'"');
  return protectedValue;
}

std::optional<std::uint32_t> ParseDword(std::u16string_view text) {
  if (text.size() != kDwordPrefix.size() + 8 ||
      !EqualsIgnoreCase(text.substr(0, kDwordPrefix.size()), kDwordPrefix)) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  for (char16_t c : text.substr(kDwordPrefix.size())) {
    std::uint32_t digit = 0;
    if (c >= u'0' && c <= u'9')
      digit = c - u'0';
    else if (c >= u'a' && c <= u'f')
      digit = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
      digit = c - u'A' + 10;
    else
      return std::nullopt;
    value = value << 4 | digit;
  }
  return value;
}

std::u16string DwordText(std::uint32_t value) {
  std::u16string text(kDwordPrefix);
  for (int shift = 28; shift >= 0; shift -= 4)
    text.push_back(u"0123456789abcdef"[(value >> shift) & 0xF]);
  return text;
}

bool MakeFolderFor(const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  return !ec;
}

// Both registry homes as ini files: the framework's profile strings (one
// section per registry subkey) and the program key, whose DWORD values carry
// their type in the text as .reg files write them.
class IniSettingsStore : public SettingsStore {
 public:
  explicit IniSettingsStore(const std::filesystem::path& root)
      : profileFile_(root / "Vantrel_Pellucid" / "Ombrex.ini"),
        programFile_(root / "Ombrex" / "registry.ini") {}

  std::u16string ReadProfileString(std::u16string_view section, std::u16string_view name,
                                   std::u16string_view defaultValue) override {
    const auto document = ini::Load(profileFile_);
    return std::u16string(ini::Find(*document, section, name).value_or(defaultValue));
  }

  bool WriteProfileString(std::u16string_view section, std::u16string_view name,
                          std::u16string_view value) override {
    return MakeFolderFor(profileFile_) &&
           ini::WriteString(profileFile_, section, name, std::u16string_view(Protect(value)));
  }

  std::optional<std::uint32_t> ReadDword(std::u16string_view name) override {
    const auto document = ini::Load(programFile_);
    const auto text = ini::Find(*document, kProgramKey, name);
    return text ? ParseDword(*text) : std::nullopt;
  }

  bool WriteDword(std::u16string_view name, std::uint32_t value) override {
    return MakeFolderFor(programFile_) &&
           ini::WriteString(programFile_, kProgramKey, name, std::u16string_view(DwordText(value)));
  }

 private:
  std::filesystem::path profileFile_;
  std::filesystem::path programFile_;
};

#ifdef _WIN32

std::wstring Wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

class RegistrySettingsStore : public SettingsStore {
 public:
  std::u16string ReadProfileString(std::u16string_view section, std::u16string_view name,
                                   std::u16string_view defaultValue) override {
    const std::wstring key = ProfileKey(section);
    const std::wstring value = Wide(name);
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, nullptr,
                     &bytes) != ERROR_SUCCESS) {
      return std::u16string(defaultValue);
    }
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr,
                     text.data(), &bytes) != ERROR_SUCCESS) {
      return std::u16string(defaultValue);
    }
    text.resize(wcsnlen(text.c_str(), text.size()));
    return std::u16string(text.begin(), text.end());
  }

  bool WriteProfileString(std::u16string_view section, std::u16string_view name,
                          std::u16string_view value) override {
    const std::wstring text = Wide(value);
    return SetValue(ProfileKey(section), name, REG_SZ, text.c_str(),
                    (text.size() + 1) * sizeof(wchar_t));
  }

  std::optional<std::uint32_t> ReadDword(std::u16string_view name) override {
    DWORD value = 0;
    DWORD bytes = sizeof value;
    const std::wstring valueName = Wide(name);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Ombrex", valueName.c_str(), RRF_RT_REG_DWORD,
                     nullptr, &value, &bytes) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    return value;
  }

  bool WriteDword(std::u16string_view name, std::uint32_t value) override {
    const DWORD data = value;
    return SetValue(L"Software\\Ombrex", name, REG_DWORD, &data, sizeof data);
  }

 private:
  static std::wstring ProfileKey(std::u16string_view section) {
    return L"Software\\Vantrel_Pellucid\\Ombrex\\" + Wide(section);
  }

  static bool SetValue(const std::wstring& key, std::u16string_view name, DWORD type,
                       const void* data, std::size_t bytes) {
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    const std::wstring valueName = Wide(name);
    const LONG result = RegSetValueExW(handle, valueName.c_str(), 0, type,
                                       static_cast<const BYTE*>(data), static_cast<DWORD>(bytes));
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
  }
};

#endif

#ifndef _WIN32
std::filesystem::path UserConfigRoot() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
    return config;
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : ".") / ".config";
}
#endif

}  // namespace

std::unique_ptr<SettingsStore> OpenUserSettings() {
#ifdef _WIN32
  return std::make_unique<RegistrySettingsStore>();
#else
  return OpenSettingsIn(UserConfigRoot());
#endif
}

std::unique_ptr<SettingsStore> OpenSettingsIn(const std::filesystem::path& configRoot) {
  return std::make_unique<IniSettingsStore>(configRoot);
}

}  // namespace ombrex
