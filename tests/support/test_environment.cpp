#include "tests/support/test_environment.h"

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace ombrex::test {

void IsolateUserEnvironment() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Where this build put the program and where the sources are; a caller may
  // point them elsewhere by setting them first.
  setenv("OMBREX_PROGRAM_DIR", OMBREX_BUILD_PROGRAM_DIR, 0);
  setenv("OMBREX_TEST_DATA", OMBREX_BUILD_TEST_DATA, 0);
  setenv("OMBREX_SOURCE_DIR", OMBREX_BUILD_SOURCE_DIR, 0);
  if (getenv("OMBREX_TEST_KEEP_HOME") != nullptr) return;
  std::string pattern = (std::filesystem::temp_directory_path() / "ombrex-home-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return;
  const std::filesystem::path home = pattern;
  for (const char* sub : {"runtime", "config", "data", "Documents"}) {
    std::filesystem::create_directories(home / sub);
  }
  std::filesystem::permissions(home / "runtime", std::filesystem::perms::owner_all);
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
  setenv("XDG_DOCUMENTS_DIR", (home / "Documents").c_str(), 1);
}

}  // namespace ombrex::test
