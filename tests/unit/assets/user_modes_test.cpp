// The painted-keys lighting starts from the user modes shipped beside the
// program: named, and with a colour for every light, so no key starts on the
// red a missing entry would give.

#include <gtest/gtest.h>

#include <set>

#include "model/key_buttons_table.h"
#include "model/user_mode_files.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/assets/asset_files.h"

namespace ombrex {
namespace {

std::set<int> LedsOfTheKeys() {
  std::set<int> leds{kFnLed};
  for (const auto& button : kKeyButtons) leds.insert(button.led);
  return leds;
}

TEST(DefaultUserModes, EveryProfileNamesTenModesAndColoursEveryLight) {
  for (int profile = 0; profile < 4; ++profile) {
    const auto file =
        test::ProgramDir() / "Skins" / ("UserDengColor_" + std::to_string(profile) + ".userd");
    const auto ini = test::LoadBuiltIni(file);
    for (int mode = 0; mode < 10; ++mode) {
      const auto name = ini.Find(u"MODENAME", DecimalText(mode));
      EXPECT_TRUE(name && !name->empty()) << file << " mode " << mode;
      const std::u16string section = u"Mode" + DecimalText(mode);
      for (auto key : {u"tool", u"jcolor", u"color"}) {
        EXPECT_TRUE(ini.Find(section, key).has_value()) << file << " " << test::Narrow(key);
      }
      for (int led : LedsOfTheKeys()) {
        EXPECT_TRUE(ini.Find(section, DecimalText(led)).has_value())
            << file << " mode " << mode << " LED " << led;
      }
    }
  }
}

TEST(DefaultUserModes, TheProgramReadsThemUntilTheUserHasOwnCopies) {
  const test::TempDir userData;
  const UserModeFiles files(userData.path(), test::ProgramDir());
  EXPECT_EQ(files.CurrentUserMode(0), 0);
  EXPECT_EQ(files.UserModeName(0, 0), u"Gaming");
  // Gaming: A is lit on its own, H (a shared light) follows the base colour.
  const UserModeTools tools = files.Tools(0, 0);
  EXPECT_FALSE(files.KeyColour(0, 0, 26).follows);
  const UserKeyColour shared = files.KeyColour(0, 0, kSharedLed);
  EXPECT_TRUE(shared.follows);
  EXPECT_EQ(shared.colour, tools.baseColour);
}

}  // namespace
}  // namespace ombrex
