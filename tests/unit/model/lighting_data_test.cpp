#include <gtest/gtest.h>

#include "model/host_lighting.h"
#include "model/key_buttons_table.h"
#include "model/user_mode_files.h"
#include "platform/ini.h"
#include "tests/unit/model/model_test_support.h"

namespace ombrex {
namespace {

constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kRed{255, 0, 0};

TEST(KeyButtonsTableTest, SlotsAndLedsAgreeWithTheCatalogue) {
  for (std::size_t i = 0; i < kKeyButtonCount; ++i) {
    const KeyButtonInfo& key = kKeyButtons[i];
    EXPECT_EQ(KeySlotFromCode(key.code), key.slot) << i;
    EXPECT_LT(key.led, 64) << i;
    EXPECT_EQ(ButtonForSlot(key.slot, 0), static_cast<int>(i));
    EXPECT_EQ(LedOfButton(static_cast<int>(i)), key.led);
  }
  EXPECT_EQ(ButtonForSlot(GKeySlot(8, 1), 1), GKeyButton(8));
  EXPECT_EQ(ButtonForSlot(GKeySlot(8, 1), 0), -1);
  EXPECT_EQ(SlotOfButton(GKeyButton(2), 1), 267);
  EXPECT_EQ(LedOfButton(GKeyButton(0)), 39);
  EXPECT_EQ(LedOfButton(GKeyButton(7)), kNoLed);
  EXPECT_EQ(LedOfButton(kFnButton), 42);
  EXPECT_EQ(LedOfButton(500), kNoLed);
}

TEST(LightingRecordTest, DefaultRecordsDifferOnlyInTheirMode) {
  const auto record = DefaultLightingRecord(2);
  EXPECT_EQ(record[0], 8);
  EXPECT_EQ(record[1], 4);
  EXPECT_EQ(record[2], 2);
  EXPECT_EQ(record[3], 0);
  EXPECT_EQ(record[4], 0xFF);
  EXPECT_EQ(record[5] & record[6] & record[7], 255);
  for (std::size_t i = 8; i < record.size(); ++i) EXPECT_EQ(record[i], 0) << i;
  EXPECT_EQ(DefaultLightingRecord(0)[0], 1);
  EXPECT_EQ(DefaultLightingRecord(1)[0], 4);
  EXPECT_EQ(DefaultLightingRecord(3)[0], 7);
}

TEST(ModeListTest, EmptyPlacesAreSkipped) {
  std::array<std::uint8_t, protocol::kStatusBlockSize> status{};
  status[12] = 20;
  status[14] = 1;
  status[43] = 23;
  const ModeList modes = ModeList::FromStatusBlock(status);
  ASSERT_EQ(modes.Items().size(), 3u);
  EXPECT_EQ(modes.ListIndexOf(20), 0);
  EXPECT_EQ(modes.ListIndexOf(1), 1);
  EXPECT_EQ(modes.ListIndexOf(23), 2);
  EXPECT_EQ(modes.ListIndexOf(5), -1);
  EXPECT_EQ(modes.ModeAt(1), 1);
  EXPECT_EQ(modes.ModeAt(3), 0);
  EXPECT_TRUE(modes.SupportsUserPainting());
  EXPECT_FALSE(ModeList().SupportsUserPainting());
}

TEST(HostLightingTest, StateComesFromTheShownRecord) {
  HostLighting host;
  host.State().shownProfile = 1;
  LightingRecord& record = host.Record(1);
  record[0] = 12;
  record[4] = 0;
  record[5] = 10;
  record[15] = 7;
  record[17] = 2;
  host.FillStateFromRecord();
  EXPECT_EQ(host.State().mode, 12);
  EXPECT_FALSE(host.State().colourful);
  EXPECT_EQ(host.State().colour, (Rgb{10, 255, 255}));
  EXPECT_EQ(host.State().reportRate, 3);
  EXPECT_EQ(host.State().mode17Colour, 2);
}

TEST(HostLightingTest, FollowMarksFollowTheReferenceColour) {
  HostLighting host;
  host.Record(2)[9] = 0;
  host.Record(2)[10] = 0;
  host.Record(2)[11] = 255;
  host.SetLedColour(2, 26, kBlue);  // key A
  host.SetLedColour(2, 63, kBlue);  // every key without a light of its own
  host.SetLedColour(2, 39, kBlue);  // G1
  host.SetLedColour(0, 26, kBlue);  // another profile's reference is black
  host.RecomputeFollowMarks();
  EXPECT_TRUE(host.FollowMark(2, 0));
  EXPECT_FALSE(host.FollowMark(2, 1));  // B: LED 38 is black
  EXPECT_TRUE(host.FollowMark(2, 7));   // H shares LED 63
  EXPECT_TRUE(host.FollowMark(2, GKeyButton(0)));
  EXPECT_FALSE(host.FollowMark(2, GKeyButton(7)));  // G8 has no light
  EXPECT_FALSE(host.FollowMark(0, 0));
  EXPECT_TRUE(host.FollowMark(0, 1));  // black on black
  EXPECT_FALSE(host.FollowMark(0, GKeyButton(8)));
}

TEST(HostLightingTest, ColourFramesShowTheShownProfile) {
  HostLighting host;
  host.State().shownProfile = 3;
  host.SetLedColour(3, 42, kRed);
  host.SetLedColour(0, 42, kBlue);
  test::RecordingKeyButtons buttons;
  host.SetKeyColourFrames(buttons);
  EXPECT_EQ(buttons.frames.at(kFnButton), kRed);
  EXPECT_EQ(buttons.frames.count(GKeyButton(8)), 0u);
  EXPECT_EQ(buttons.frames.size(), kKeyButtonCount + 7 + 1);
  host.ClearKeyColourFrames(buttons);
  EXPECT_EQ(buttons.frames.size(), kButtonCount);
  for (const auto& [button, frame] : buttons.frames) EXPECT_FALSE(frame.has_value()) << button;
}

TEST(HostLightingTest, ColoursOfLedsOutsideTheTableAreIgnored) {
  HostLighting host;
  host.SetLedColour(0, 64, kRed);
  host.SetLedColour(0, -1, kRed);
  EXPECT_EQ(host.LedColour(0, 64), Rgb{});
  EXPECT_EQ(host.LedColour(0, -1), Rgb{});
  // LED 64 of profile 0 is not LED 0 of profile 1.
  EXPECT_EQ(host.LedColour(1, 0), Rgb{});
  EXPECT_EQ(host.ProfileColours(1)[0], 0);
}

TEST(UserModeTextTest, ColoursAreReadAsFarAsTheyGo) {
  EXPECT_EQ(ParseKeyColour(u"0,0,255,0"), (UserKeyColour{kBlue, false}));
  EXPECT_EQ(ParseKeyColour(u"1,2,3,7"), (UserKeyColour{{1, 2, 3}, true}));
  EXPECT_EQ(ParseKeyColour(u"300,-5,7"), (UserKeyColour{{255, 0, 7}, true}));
  EXPECT_EQ(ParseKeyColour(u"9;9"), (UserKeyColour{{9, 0, 0}, true}));
  EXPECT_EQ(ParseKeyColour(u""), (UserKeyColour{kRed, true}));
  EXPECT_EQ(ParseRgb(u"1, 2,3", {}), (Rgb{1, 2, 3}));
  EXPECT_EQ(ParseRgb(u"99999999999999999999,1,1", {}), (Rgb{255, 1, 1}));
  EXPECT_EQ(RgbText({1, 20, 255}), u"1,20,255");
}

class UserModeFilesTest : public testing::Test {
 protected:
  UserModeFilesTest() : files_(dir_ / "data", dir_ / "program") {}

  test::TempDir dir_;
  UserModeFiles files_;
};

TEST_F(UserModeFilesTest, MissingFilesReadAsDefaults) {
  EXPECT_EQ(files_.CurrentUserMode(0), 0);
  EXPECT_EQ(files_.UserModeName(0, 4), u"0");
  EXPECT_EQ(files_.Tools(0, 0), UserModeTools{});
  EXPECT_EQ(files_.KeyColour(0, 0, 26), (UserKeyColour{kRed, true}));
}

TEST_F(UserModeFilesTest, ProgramFilesAreReadUntilTheUserHasACopy) {
  dir_.Write("program/Skins/UserDengColor_1.userd",
             "[PRESENTMODE]\nmode=12\n[MODENAME]\n0=Night\n[Mode0]\ntool=1\njcolor=1,2,3\n"
             "26=0,0,255,0\n");
  EXPECT_EQ(files_.ReadFile(1), files_.ProgramFile(1));
  EXPECT_EQ(files_.CurrentUserMode(1), 0);  // 12 is no user mode
  EXPECT_EQ(files_.UserModeName(1, 0), u"Night");
  EXPECT_EQ(files_.Tools(1, 0), (UserModeTools{1, {1, 2, 3}, {}}));
  EXPECT_EQ(files_.KeyColour(1, 0, 26), (UserKeyColour{kBlue, false}));
  EXPECT_EQ(files_.KeyColour(1, 0, 27), (UserKeyColour{kRed, true}));

  // The first write starts the user's copy from the program's file.
  ASSERT_TRUE(files_.SaveKeyColour(1, 0, 27, {{1, 1, 1}, false}));
  EXPECT_EQ(files_.ReadFile(1), files_.UserFile(1));
  EXPECT_EQ(files_.KeyColour(1, 0, 27), (UserKeyColour{{1, 1, 1}, false}));
  EXPECT_EQ(files_.KeyColour(1, 0, 26), (UserKeyColour{kBlue, false}));
  EXPECT_EQ(files_.UserModeName(1, 0), u"Night");
  EXPECT_EQ(test::ReadText(files_.ProgramFile(1)).find("27="), std::string::npos);
}

TEST_F(UserModeFilesTest, WritesReadBack) {
  ASSERT_TRUE(files_.SaveCurrentUserMode(2, 7));
  ASSERT_TRUE(files_.SaveUserModeName(2, 7, u"Party"));
  ASSERT_TRUE(files_.SaveTools(2, 7, {1, {4, 5, 6}, {7, 8, 9}}));
  ASSERT_TRUE(files_.SaveKeyColour(2, 7, 63, {{10, 20, 30}, true}));
  EXPECT_EQ(files_.CurrentUserMode(2), 7);
  EXPECT_EQ(files_.UserModeName(2, 7), u"Party");
  EXPECT_EQ(files_.Tools(2, 7), (UserModeTools{1, {4, 5, 6}, {7, 8, 9}}));
  EXPECT_EQ(files_.KeyColour(2, 7, 63), (UserKeyColour{{10, 20, 30}, true}));
  EXPECT_EQ(files_.KeyColour(2, 6, 63), UserKeyColour{});
  // A new file is UTF-16LE, as the program's own files are.
  const std::string bytes = test::ReadText(files_.UserFile(2));
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  EXPECT_NE(text.find(u"63=10,20,30,1"), std::u16string::npos);
}

TEST_F(UserModeFilesTest, CopyingGivesAProfileAnotherOnesUserModes) {
  files_.SaveUserModeName(3, 1, u"Shared");
  files_.SaveKeyColour(0, 0, 5, {kBlue, false});
  ASSERT_TRUE(files_.CopyProfile(3, 0));
  EXPECT_EQ(files_.UserModeName(0, 1), u"Shared");
  EXPECT_EQ(files_.KeyColour(0, 0, 5), UserKeyColour{});
  EXPECT_TRUE(files_.CopyProfile(3, 3));
  EXPECT_EQ(files_.UserModeName(3, 1), u"Shared");
  // Without any source the target reads as defaults as well.
  ASSERT_TRUE(files_.CopyProfile(2, 0));
  EXPECT_EQ(files_.UserModeName(0, 1), u"0");
}

TEST_F(UserModeFilesTest, ACopyIsSeenAtOnceByReadersThatRarelyLook) {
  ASSERT_TRUE(files_.SaveUserModeName(3, 1, u"Shared"));
  ASSERT_TRUE(files_.SaveUserModeName(0, 1, u"Own"));
  const ini::CachedFile reader(files_.UserFile(0), std::chrono::hours(1));
  ASSERT_EQ(reader.ReadString(u"MODENAME", u"1", u""), u"Own");
  ASSERT_TRUE(files_.CopyProfile(3, 0));
  EXPECT_EQ(reader.ReadString(u"MODENAME", u"1", u""), u"Shared");
}

TEST_F(UserModeFilesTest, AWriteThatCannotHappenReportsFailure) {
  dir_.Write("data/Skins", "not a folder");
  EXPECT_FALSE(files_.SaveCurrentUserMode(0, 1));
  EXPECT_FALSE(files_.SaveTools(0, 1, {}));
}

}  // namespace
}  // namespace ombrex
