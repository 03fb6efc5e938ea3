#include "platform/paths.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

#ifdef _WIN32
#include "platform/win32.h"
// After windows.h, which it needs.
#include <shlobj.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace ombrex {
namespace {

std::filesystem::path ExecutablePath() {
#ifdef _WIN32
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::filesystem::path(buffer.substr(0, length));
    buffer.resize(buffer.size() * 2);
  }
#else
  std::error_code ec;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : path;
#endif
}

#ifndef _WIN32
std::string EnvText(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::filesystem::path HomeFolder() {
  if (std::string home = EnvText("HOME"); !home.empty()) return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return std::filesystem::current_path();
}

// XDG base folders must be absolute; anything else is ignored, as the XDG
// rules say.
std::filesystem::path XdgFolder(const char* variable, const char* fallbackBelowHome) {
  const std::string value = EnvText(variable);
  if (!value.empty() && value.front() == '/') return value;
  return HomeFolder() / fallbackBelowHome;
}

// The documents line of user-dirs.dirs: XDG_DOCUMENTS_DIR="$HOME/Documents"
// or an absolute path, in double quotes.
std::filesystem::path DocumentsFromUserDirs(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  constexpr std::string_view kName = "XDG_DOCUMENTS_DIR=";
  while (std::getline(in, line)) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, kName.size(), kName) != 0) continue;
    std::string value = line.substr(start + kName.size());
    while (!value.empty() &&
           (value.back() == ' ' || value.back() == '\t' || value.back() == '\r')) {
      value.pop_back();
    }
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    constexpr std::string_view kHome = "$HOME";
    if (value.compare(0, kHome.size(), kHome) == 0 &&
        (value.size() == kHome.size() || value[kHome.size()] == '/')) {
      std::string rest = value.substr(kHome.size());
      while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
      return rest.empty() ? HomeFolder() : HomeFolder() / rest;
    }
    if (!value.empty() && value.front() == '/') return value;
  }
  return {};
}
#endif

struct LocaleId {
  std::string_view name;
  std::uint16_t id;
};

// Locales with a territory, then bare languages (the language's main
// country).
constexpr std::array<LocaleId, 96> kLocaleIds{{
    {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"zh_SG", 0x1004}, {"zh_MO", 0x1404},
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_NZ", 0x1409},
    {"en_IE", 0x1809}, {"en_ZA", 0x1C09}, {"en_JM", 0x2009}, {"en_BZ", 0x2809}, {"en_TT", 0x2C09},
    {"en_IN", 0x4009}, {"en_MY", 0x4409}, {"en_SG", 0x4809}, {"en_PH", 0x3409}, {"de_DE", 0x0407},
    {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"de_LU", 0x1007}, {"de_LI", 0x1407}, {"fr_FR", 0x040C},
    {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"fr_LU", 0x140C}, {"fr_MC", 0x180C},
    {"es_ES", 0x0C0A}, {"es_MX", 0x080A}, {"es_GT", 0x100A}, {"es_CR", 0x140A}, {"es_PA", 0x180A},
    {"es_DO", 0x1C0A}, {"es_VE", 0x200A}, {"es_CO", 0x240A}, {"es_PE", 0x280A}, {"es_AR", 0x2C0A},
    {"es_EC", 0x300A}, {"es_CL", 0x340A}, {"es_UY", 0x380A}, {"es_PY", 0x3C0A}, {"es_BO", 0x400A},
    {"es_SV", 0x440A}, {"es_HN", 0x480A}, {"es_NI", 0x4C0A}, {"es_PR", 0x500A}, {"es_US", 0x540A},
    {"it_IT", 0x0410}, {"it_CH", 0x0810}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"nl_NL", 0x0413},
    {"nl_BE", 0x0813}, {"sv_SE", 0x041D}, {"sv_FI", 0x081D}, {"ko_KR", 0x0412}, {"id_ID", 0x0421},
    {"zh", 0x0804},    {"en", 0x0409},    {"de", 0x0407},    {"fr", 0x040C},    {"es", 0x0C0A},
    {"it", 0x0410},    {"pt", 0x0416},    {"nl", 0x0413},    {"sv", 0x041D},    {"ko", 0x0412},
    {"id", 0x0421},    {"ja", 0x0411},    {"ru", 0x0419},    {"pl", 0x0415},    {"cs", 0x0405},
    {"da", 0x0406},    {"fi", 0x040B},    {"el", 0x0408},    {"he", 0x040D},    {"hu", 0x040E},
    {"nb", 0x0414},    {"nn", 0x0814},    {"tr", 0x041F},    {"uk", 0x0422},    {"th", 0x041E},
    {"vi", 0x042A},    {"ar", 0x0401},    {"ro", 0x0418},    {"sk", 0x041B},    {"bg", 0x0402},
    {"hr", 0x041A},    {"sl", 0x0424},    {"ms", 0x043E},    {"hi", 0x0439},    {"ca", 0x0403},
    {"et", 0x0425},
}};

constexpr std::uint16_t kEnglishUs = 0x0409;

std::uint16_t IdOf(std::string_view name) {
  for (const LocaleId& entry : kLocaleIds) {
    if (entry.name == name) return entry.id;
  }
  return 0;
}

}  // namespace

std::filesystem::path ExecutableFolder() {
  return ExecutablePath().parent_path();
}

ProgramLayout LayoutAround(const std::filesystem::path& executableFolder) {
  std::error_code error;
  const std::filesystem::path prefix = executableFolder.parent_path();
  const std::filesystem::path installed = prefix / "share" / "ombrex";
  // A build tree has its skins beside the executable; an installed bin/ has
  // none, and its files are where the install put them (and a broken install
  // has its missing skins reported there). Anything else is treated as a
  // build tree.
  if (std::filesystem::is_directory(executableFolder / "Skins", error) ||
      !std::filesystem::is_directory(installed, error)) {
    return {executableFolder, executableFolder};
  }
  return {installed, prefix / "lib" / "ombrex"};
}

namespace {
const ProgramLayout& ThisProgramsLayout() {
  static const ProgramLayout layout = LayoutAround(ExecutableFolder());
  return layout;
}
}  // namespace

std::filesystem::path ProgramFolder() {
  return ThisProgramsLayout().programFolder;
}

std::filesystem::path ServiceFolder() {
  return ThisProgramsLayout().serviceFolder;
}

std::filesystem::path ProgramFileName() {
  return ExecutablePath().filename();
}

std::filesystem::path DocumentsFolder() {
#ifdef _WIN32
  PWSTR folder = nullptr;
  std::filesystem::path result;
  if (SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &folder) == S_OK) result = folder;
  CoTaskMemFree(folder);
  return result;
#else
  if (std::string documents = EnvText("XDG_DOCUMENTS_DIR");
      !documents.empty() && documents.front() == '/') {
    return documents;
  }
  std::filesystem::path fromUserDirs =
      DocumentsFromUserDirs(XdgFolder("XDG_CONFIG_HOME", ".config") / "user-dirs.dirs");
  if (!fromUserDirs.empty()) return fromUserDirs;
  return HomeFolder() / "Documents";
#endif
}

std::filesystem::path UserDataFolder() {
#ifdef _WIN32
  PWSTR folder = nullptr;
  std::filesystem::path result;
  if (SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder) == S_OK) {
    result = std::filesystem::path(folder) / "Ombrex";
  }
  CoTaskMemFree(folder);
  return result;
#else
  return XdgFolder("XDG_DATA_HOME", ".local/share") / "Ombrex";
#endif
}

std::uint16_t LanguageIdFromLocale(std::string_view localeName) {
  // "zh_CN.UTF-8@variant" and "zh-CN" both name language zh, territory CN.
  const std::size_t end = localeName.find_first_of(".@");
  std::string name(localeName.substr(0, end));
  for (char& c : name) {
    if (c == '-') c = '_';
  }
  const std::size_t underscore = name.find('_');
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool upper = i > underscore && underscore != std::string::npos;
    if (upper && c >= 'a' && c <= 'z') name[i] = static_cast<char>(c - 32);
    if (!upper && c >= 'A' && c <= 'Z') name[i] = static_cast<char>(c + 32);
  }
  if (const std::uint16_t id = IdOf(name); id != 0) return id;
  if (underscore != std::string::npos) {
    if (const std::uint16_t id = IdOf(std::string_view(name).substr(0, underscore)); id != 0) {
      return id;
    }
  }
  return kEnglishUs;
}

std::uint16_t SystemDefaultLanguageId() {
#ifdef _WIN32
  return GetSystemDefaultLangID();
#else
  // The first of these that is set decides, as for message catalogues.
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string value = EnvText(variable);
    if (!value.empty()) return LanguageIdFromLocale(value);
  }
  return kEnglishUs;
#endif
}

}  // namespace ombrex
