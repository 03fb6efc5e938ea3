#pragma once

// The texts of the built program folder, with English chosen, for dialogs
// that should show what the user sees.

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/settings_store.h"
#include "resources/texts.h"
#include "tests/support/temp_dir.h"

namespace ombrex::test {

inline std::filesystem::path BuiltProgramFolder() {
  return std::getenv("OMBREX_PROGRAM_DIR");
}

class BuiltTexts {
 public:
  BuiltTexts()
      : store_(OpenSettingsIn(dir_.path())),
        texts_(std::make_unique<Texts>(BuiltProgramFolder(), *store_, 0x0409)) {}

  const Texts& Get() const { return *texts_; }

 private:
  TempDir dir_;
  std::unique_ptr<SettingsStore> store_;
  std::unique_ptr<Texts> texts_;
};

}  // namespace ombrex::test
