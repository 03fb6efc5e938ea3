#include "tests/support/test_environment.h"

#include <filesystem>
#include <string>

#include "platform/command_line.h"
#include "tests/support/portable.h"

#ifdef _WIN32
#include <cstdlib>

#include "platform/win32.h"
#endif

namespace ombrex::test {

namespace {

void SetUnlessSet(const std::string& name, const std::string& value) {
  if (!GetEnvironment(name)) SetEnvironment(name, value);
}

#ifdef _WIN32
// The registry is the user's settings store here: every key this process
// opens below HKEY_CURRENT_USER lands in a key of its own, removed at exit.
std::wstring& PrivateUserKey() {
  static std::wstring key;
  return key;
}

void RemovePrivateUserKey() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegDeleteTreeW(HKEY_CURRENT_USER, PrivateUserKey().c_str());
}

void IsolateRegistry() {
  PrivateUserKey() = L"Software\\Ombrex-tests\\" + std::to_wstring(ProcessId());
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, PrivateUserKey().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  if (RegOverridePredefKey(HKEY_CURRENT_USER, key) == ERROR_SUCCESS) {
    std::atexit(RemovePrivateUserKey);
  }
  RegCloseKey(key);
}
#endif

}  // namespace

void IsolateUserEnvironment() {
  SetUnlessSet("QT_QPA_PLATFORM", "offscreen");
  // Where this build put the program and where the sources are; a caller may
  // point them elsewhere by setting them first.
  SetUnlessSet("OMBREX_PROGRAM_DIR", OMBREX_BUILD_PROGRAM_DIR);
  SetUnlessSet("OMBREX_TEST_DATA", OMBREX_BUILD_TEST_DATA);
  SetUnlessSet("OMBREX_SOURCE_DIR", OMBREX_BUILD_SOURCE_DIR);
#ifdef _WIN32
  IsolateRegistry();
#endif
  if (GetEnvironment("OMBREX_TEST_KEEP_HOME")) return;
  const std::filesystem::path home = MakeUniqueTempFolder("ombrex-home-");
  if (home.empty()) return;
  for (const char* sub : {"runtime", "config", "data", "Documents"}) {
    std::filesystem::create_directories(home / sub);
  }
  // A runtime folder others may enter is refused by what lives there (Qt
  // says so on every start of a program).
  std::error_code ec;
  std::filesystem::permissions(home / "runtime", std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace, ec);
  SetEnvironment("HOME", Utf8FromPath(home));
  SetEnvironment("XDG_RUNTIME_DIR", Utf8FromPath(home / "runtime"));
  SetEnvironment("XDG_CONFIG_HOME", Utf8FromPath(home / "config"));
  SetEnvironment("XDG_DATA_HOME", Utf8FromPath(home / "data"));
  SetEnvironment("XDG_DOCUMENTS_DIR", Utf8FromPath(home / "Documents"));
}

const char* DaemonBackend() {
  const char* chosen = std::getenv("OMBREX_TEST_BACKEND");
  return chosen != nullptr && *chosen != '\0' ? chosen : "virtual";
}

}  // namespace ombrex::test
