#pragma once

// A Texts over a program folder of the test's own: English chosen, and a
// Lang0409.ini holding the given [TEXT] lines.

#include <memory>
#include <string_view>

#include "platform/settings_store.h"
#include "resources/texts.h"
#include "tests/support/temp_dir.h"

namespace ombrex::test {

class SmallTexts {
 public:
  explicit SmallTexts(std::string_view textLines);

  const Texts& Get() const { return *texts_; }
  SettingsStore& Store() { return *store_; }
  const std::filesystem::path& ProgramFolder() const { return dir_.path(); }

 private:
  TempDir dir_;
  std::unique_ptr<SettingsStore> store_;
  std::unique_ptr<Texts> texts_;
};

}  // namespace ombrex::test
