// User-mode files of any content: every value the lighting reads, then a write
// of each kind that must read back as written.

#include <cstdint>

#include "model/user_mode_files.h"
#include "platform/ini.h"
#include "tests/fuzz/scratch_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ombrex;
  static fuzz::ScratchFolder folder;
  std::error_code ec;
  std::filesystem::remove_all(folder.path() / "data", ec);
  std::filesystem::create_directories(folder.path() / "program" / "Skins");
  fuzz::Require(ini::ReplaceFile(folder.path() / "program" / "Skins" / "UserDengColor_0.userd",
                                 std::string_view(reinterpret_cast<const char*>(data), size)));
  UserModeFiles files(folder.path() / "data", folder.path() / "program");
  const int mode = files.CurrentUserMode(0);
  fuzz::Require(mode >= 0 && mode < 10);
  for (int m = 0; m < 10; ++m) (void)files.UserModeName(0, m);
  const UserModeTools tools = files.Tools(0, mode);
  for (int led = 0; led < 64; ++led) (void)files.KeyColour(0, mode, led);

  const UserKeyColour colour{{static_cast<std::uint8_t>(size), 7, 200}, (size & 1) != 0};
  fuzz::Require(files.SaveKeyColour(0, mode, 26, colour));
  fuzz::Require(files.KeyColour(0, mode, 26) == colour);
  fuzz::Require(files.SaveTools(0, mode, tools));
  fuzz::Require(files.Tools(0, mode) == tools);
  fuzz::Require(files.SaveUserModeName(0, 3, u"Fuzzed"));
  fuzz::Require(files.UserModeName(0, 3) == u"Fuzzed");
  return 0;
}
