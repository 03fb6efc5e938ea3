#include "model/lighting.h"

#include <gtest/gtest.h>

#include "tests/support/device/virtual_keyboard_rig.h"
#include "tests/unit/model/model_test_support.h"

namespace ombrex {
namespace {

constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kRed{255, 0, 0};

class LightingTest : public testing::Test {
 protected:
  explicit LightingTest(test::RigOptions options = {})
      : rig_(options),
        files_(dir_ / "data", dir_ / "program"),
        lighting_(rig_.Commands(), files_, dir_ / "docs" / "Vantrel_09A") {}

  Rgb KeyboardLed(const vkbd::Memories& memories, int profile, int led) {
    const std::size_t at =
        static_cast<std::size_t>(profile) * 192 + 3 * static_cast<std::size_t>(led);
    return {memories.keyColours[at], memories.keyColours[at + 1], memories.keyColours[at + 2]};
  }

  test::TempDir dir_;
  test::VirtualKeyboardRig rig_;
  UserModeFiles files_;
  Lighting lighting_;
};

TEST_F(LightingTest, ReadingFillsTheRecordsTheModesAndTheShownState) {
  const std::array<std::uint8_t, 4> record{12, 3, 1, 255};
  rig_.Commands().WriteSettings(record, 64);
  const std::array<std::uint8_t, 1> rate{7};
  rig_.Commands().WriteSettings(rate, 64 + 15);
  lighting_.SetShownProfile(1);
  ASSERT_EQ(lighting_.ReadLighting(false), result::kOk);
  const vkbd::Memories memories = rig_.Keyboard().Snapshot();
  for (const ProfileNumber p : ProfileNumber::All()) {
    for (std::size_t i = 0; i < 56; ++i) {
      EXPECT_EQ(lighting_.Host().Record(p)[i], memories.settings[p.Index() * 64 + i])
          << p.Index() << " " << i;
    }
  }
  const HostLightingState& state = lighting_.State();
  EXPECT_EQ(state.mode, 12);
  EXPECT_EQ(state.brightness, 3);
  EXPECT_EQ(state.speed, 1);
  EXPECT_EQ(state.direction, 255);
  EXPECT_EQ(state.reportRate, 3);
  EXPECT_EQ(lighting_.Host().Modes().Items().size(), 21u);
  EXPECT_EQ(lighting_.Host().Modes().ListIndexOf(20), 18);
}

TEST_F(LightingTest, AnUnreadableKeyboardLeavesTheModeListEmpty) {
  lighting_.SetShownProfile(2);
  ASSERT_EQ(lighting_.ReadLighting(false), result::kOk);
  lighting_.State().mode = 99;
  rig_.Unplug();
  EXPECT_EQ(lighting_.ReadLighting(true), result::kFailed);  // no keyboard for the status read
  EXPECT_TRUE(lighting_.Host().Modes().Items().empty());
  EXPECT_EQ(lighting_.State().mode, 99);  // nothing else changed
}

TEST_F(LightingTest, FieldsAreWrittenAtTheShownProfilesRecord) {
  lighting_.SetShownProfile(3);
  const std::array<std::uint8_t, 4> colour{0, 10, 20, 30};
  EXPECT_TRUE(lighting_.WriteLightingField(4, colour));
  EXPECT_TRUE(lighting_.WriteLightingByte(15, 2));
  ASSERT_EQ(lighting_.Flush(), result::kOk);
  const vkbd::Memories memories = rig_.Keyboard().Snapshot();
  EXPECT_EQ(memories.settings[3 * 64 + 4], 0);
  EXPECT_EQ(memories.settings[3 * 64 + 7], 30);
  EXPECT_EQ(memories.settings[3 * 64 + 15], 2);
  EXPECT_EQ(memories.settings[2 * 64 + 15], 0);
  EXPECT_EQ(lighting_.Host().Record(3)[7], 30);
  // Past the record: refused before anything is sent.
  const std::array<std::uint8_t, 2> two{1, 1};
  EXPECT_FALSE(lighting_.WriteLightingField(63, two));
  EXPECT_EQ(lighting_.Flush(), result::kOk);
  EXPECT_EQ(rig_.Keyboard().Snapshot().settings, memories.settings);
}

TEST_F(LightingTest, OneKeyColour) {
  lighting_.SetShownProfile(1);
  EXPECT_TRUE(lighting_.WriteKeyColour(26, kBlue));
  ASSERT_EQ(lighting_.Flush(), result::kOk);
  EXPECT_EQ(KeyboardLed(rig_.Keyboard().Snapshot(), 1, 26), kBlue);
  EXPECT_EQ(KeyboardLed(rig_.Keyboard().Snapshot(), 0, 26), (Rgb{255, 255, 255}));
  EXPECT_EQ(lighting_.Host().LedColour(1, 26), kBlue);
  EXPECT_FALSE(lighting_.WriteKeyColour(64, kBlue));
}

TEST_F(LightingTest, SendingKeyColoursTouchesOnlyTheShownProfile) {
  for (int led = 0; led < 64; ++led) {
    lighting_.Host().SetLedColour(0, led, {static_cast<std::uint8_t>(led), 1, 2});
    lighting_.Host().SetLedColour(1, led, kRed);
  }
  lighting_.SetShownProfile(0);
  lighting_.SendKeyColours();
  ASSERT_EQ(lighting_.Flush(), result::kOk);
  const vkbd::Memories memories = rig_.Keyboard().Snapshot();
  for (int led = 0; led < 64; ++led) {
    EXPECT_EQ(KeyboardLed(memories, 0, led), (Rgb{static_cast<std::uint8_t>(led), 1, 2}));
    EXPECT_EQ(KeyboardLed(memories, 1, led), (Rgb{255, 255, 255})) << led;
  }
  lighting_.SetShownProfile(3);  // the last profile: nothing past the table
  lighting_.SendKeyColours();
  EXPECT_EQ(lighting_.Flush(), result::kOk);
  EXPECT_EQ(KeyboardLed(rig_.Keyboard().Snapshot(), 3, 63), (Rgb{0, 0, 0}));
}

TEST_F(LightingTest, AUserModeIsLoadedAndSent) {
  test::TempDir& dir = dir_;
  dir.Write("program/Skins/UserDengColor_2.userd",
            "[PRESENTMODE]\nmode=1\n[Mode1]\ntool=1\njcolor=9,9,9\ncolor=8,8,8\n26=0,0,255,0\n");
  lighting_.SetShownProfile(2);
  lighting_.LoadUserMode();
  ASSERT_EQ(lighting_.Flush(), result::kOk);
  const HostLightingState& state = lighting_.State();
  EXPECT_EQ(state.currentUserMode, 1);
  EXPECT_EQ(state.tool, 1);
  EXPECT_EQ(state.baseColour, (Rgb{9, 9, 9}));
  EXPECT_EQ(state.userColour, (Rgb{8, 8, 8}));
  EXPECT_FALSE(lighting_.Host().FollowMark(2, 0));  // key A: blue, its own colour
  EXPECT_TRUE(lighting_.Host().FollowMark(2, 1));   // key B: red, following
  EXPECT_TRUE(lighting_.Host().FollowMark(2, kFnButton));
  const vkbd::Memories memories = rig_.Keyboard().Snapshot();
  EXPECT_EQ(KeyboardLed(memories, 2, 26), kBlue);
  EXPECT_EQ(KeyboardLed(memories, 2, 38), kRed);
  EXPECT_EQ(KeyboardLed(memories, 2, 42), kRed);
  EXPECT_EQ(KeyboardLed(memories, 2, 39), (Rgb{0, 0, 0}));  // G1 is not read
}

TEST_F(LightingTest, AFullReadLoadsTheUserModeAndTheView) {
  dir_.Write("program/Skins/UserDengColor_0.userd", "[Mode0]\n26=1,2,3,1\n");
  ASSERT_TRUE(lighting_.WriteLightingViewSetting(true));
  ASSERT_EQ(lighting_.ReadLighting(true), result::kOk);
  EXPECT_TRUE(lighting_.Host().LightingView());
  ASSERT_EQ(lighting_.Flush(), result::kOk);
  EXPECT_EQ(KeyboardLed(rig_.Keyboard().Snapshot(), 0, 26), (Rgb{1, 2, 3}));

  ASSERT_TRUE(lighting_.WriteLightingViewSetting(false));
  lighting_.ReadLighting(false);
  EXPECT_TRUE(lighting_.Host().LightingView());  // only a 1 changes it without the full read
  lighting_.ReadLighting(true);
  EXPECT_FALSE(lighting_.Host().LightingView());
}

TEST_F(LightingTest, UserModesWriteToTheUsersCopy) {
  lighting_.SetShownProfile(1);
  lighting_.State().tool = 1;
  lighting_.State().baseColour = kBlue;
  ASSERT_TRUE(lighting_.SaveUserModeTools(4));
  ASSERT_TRUE(lighting_.SaveKeyColour(4, 26, kRed, false));
  ASSERT_TRUE(lighting_.SaveCurrentUserMode(4));
  ASSERT_TRUE(lighting_.SaveUserModeName(4, u"Mine"));
  EXPECT_EQ(lighting_.ReadUserModeName(1, 4), u"Mine");
  EXPECT_EQ(lighting_.UserModeNames(1)[0], u"0");
  EXPECT_TRUE(std::filesystem::exists(files_.UserFile(1)));
  EXPECT_FALSE(std::filesystem::exists(files_.ProgramFile(1)));
  lighting_.LoadUserMode();
  EXPECT_EQ(lighting_.State().currentUserMode, 4);
  EXPECT_EQ(lighting_.State().baseColour, kBlue);
  EXPECT_EQ(lighting_.Host().LedColour(1, 26), kRed);
}

}  // namespace
}  // namespace ombrex
