#include "tests/support/portable.h"

#include <cstdlib>
#include <random>
#include <system_error>

#include "platform/text.h"

#ifdef _WIN32
#include "platform/win32.h"
#else
#include <unistd.h>
#endif

namespace ombrex::test {

#ifdef _WIN32

namespace {
std::wstring Wide(const std::string& utf8) {
  const std::u16string text = Utf16FromUtf8(utf8);
  return std::wstring(text.begin(), text.end());
}
}  // namespace

void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
  // The C runtime keeps its own copy, which getenv reads; _wputenv_s updates
  // it and the process environment that started programs inherit. An empty
  // value removes the variable there.
  _wputenv_s(Wide(name).c_str(), value ? Wide(*value).c_str() : L"");
  if (value && value->empty()) SetEnvironmentVariableW(Wide(name).c_str(), L"");
}

std::optional<std::string> GetEnvironment(const std::string& name) {
  const wchar_t* value = _wgetenv(Wide(name).c_str());
  if (value == nullptr) return std::nullopt;
  const std::wstring wide(value);
  return Utf8FromUtf16(std::u16string(wide.begin(), wide.end()));
}

unsigned long ProcessId() {
  return GetCurrentProcessId();
}

#else

void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
  if (value) {
    ::setenv(name.c_str(), value->c_str(), 1);
  } else {
    ::unsetenv(name.c_str());
  }
}

std::optional<std::string> GetEnvironment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

unsigned long ProcessId() {
  return static_cast<unsigned long>(::getpid());
}

#endif

ScopedEnvironment::~ScopedEnvironment() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) SetEnvironment(it->first, it->second);
}

void ScopedEnvironment::Set(const std::string& name, const std::optional<std::string>& value) {
  saved_.emplace_back(name, GetEnvironment(name));
  SetEnvironment(name, value);
}

std::filesystem::path MakeUniqueTempFolder(const std::string& stem) {
  std::error_code ec;
  const std::filesystem::path parent = std::filesystem::temp_directory_path(ec);
  if (ec) return {};
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed() ^ static_cast<unsigned>(ProcessId()));
  std::uniform_int_distribution<int> pick(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = stem;
    for (int i = 0; i < 6; ++i) name.push_back(kLetters[pick(random)]);
    const std::filesystem::path folder = parent / name;
    // create_directory is false for a folder that was there already.
    if (std::filesystem::create_directory(folder, ec)) {
      std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, ec);
      return folder;
    }
  }
  return {};
}

}  // namespace ombrex::test
