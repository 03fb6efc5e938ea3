#pragma once

// A lighting panel on an in-process keyboard, for the tests of its rules and
// of its Qt controls: the keyboard with a tap on its packets, the user-mode
// files and the lighting-view setting in a folder of the test's own, a key
// grid that records, and a profile switch that answers as the test says.

#include <cstdint>
#include <string_view>
#include <vector>

#include "app/lighting_panel.h"
#include "model/lighting.h"
#include "model/user_mode_files.h"
#include "tests/support/core/small_texts.h"
#include "tests/support/device/keyboard_tap.h"
#include "tests/support/device/virtual_keyboard_rig.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/model/model_test_support.h"

namespace ombrex::test {

class PanelOnKeyboard {
 protected:
  PanelOnKeyboard(RigOptions options, std::string_view textLines)
      : rig_(options),
        texts_(textLines),
        files_(dir_ / "data", dir_ / "program"),
        lighting_(rig_.Commands(), files_, dir_ / "docs"),
        panel_({.lighting = lighting_,
                .commands = rig_.Commands(),
                .buttons = buttons_,
                .texts = texts_.Get(),
                .selectProfile =
                    [this](ProfileNumber p) {
                      switchedTo_.push_back(static_cast<int>(p.Index()));
                      return switchAnswer_;
                    },
                .refreshAllKeys = [this] { ++gridRefreshes_; }}) {}

  // Bytes of a profile's record written straight to the keyboard.
  bool WriteRecord(ProfileNumber profile, std::size_t offset, std::vector<std::uint8_t> bytes) {
    return rig_.Commands().WriteSettings(
               bytes, static_cast<std::uint16_t>(profile.Index() * 64 + offset)) == result::kOk;
  }

  // What the keyboard holds once everything the panel wrote has arrived.
  std::uint8_t KeyboardByte(ProfileNumber profile, std::size_t offset) {
    lighting_.Flush();
    return rig_.Keyboard().Snapshot().settings[profile.Index() * 64 + offset];
  }
  Rgb KeyboardLed(ProfileNumber profile, int led) {
    lighting_.Flush();
    const auto& colours = rig_.Keyboard().Snapshot().keyColours;
    const std::size_t at = profile.Index() * 192 + 3 * static_cast<std::size_t>(led);
    return {colours[at], colours[at + 1], colours[at + 2]};
  }

  TempDir dir_;
  VirtualKeyboardRig rig_;
  KeyboardTap tap_{rig_.Keyboard()};
  SmallTexts texts_;
  UserModeFiles files_;
  Lighting lighting_;
  RecordingKeyButtons buttons_;
  std::vector<int> switchedTo_;
  int switchAnswer_ = 1;
  int gridRefreshes_ = 0;
  LightingPanel panel_;
};

}  // namespace ombrex::test
