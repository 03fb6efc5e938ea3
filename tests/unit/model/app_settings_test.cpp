#include "model/app_settings.h"

#include <gtest/gtest.h>

#include "platform/ini.h"
#include "platform/settings_store.h"
#include "resources/texts.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/resources/fake_settings_store.h"

namespace ombrex {
namespace {

using test::TempDir;

class AppSettingsTest : public ::testing::Test {
 protected:
  std::u16string Stored(std::u16string_view name) {
    return store_->ReadProfileString(u"PROFILES", name, u"<none>");
  }

  TempDir program_;
  TempDir config_;
  TempDir documents_;
  std::unique_ptr<SettingsStore> store_ = OpenSettingsIn(config_.path());
  Texts texts_{program_.path(), *store_, 0x0409};
  AppSettings settings_{*store_, texts_, documents_ / "Vantrel_09A"};
};

TEST_F(AppSettingsTest, FlipIsStoredAsZeroOrOne) {
  EXPECT_EQ(settings_.ReadFlipSetting(), 0);
  EXPECT_EQ(settings_.WriteFlipSetting(1), 1);
  EXPECT_EQ(Stored(u"Flip"), u"1");
  EXPECT_EQ(settings_.ReadFlipSetting(), 1);
  EXPECT_EQ(settings_.WriteFlipSetting(2), 0);
  EXPECT_EQ(Stored(u"Flip"), u"0");
  EXPECT_EQ(settings_.WriteFlipSetting(-1), 0);
}

TEST_F(AppSettingsTest, FlipReadsAnyStoredNumber) {
  store_->WriteProfileString(u"PROFILES", u"Flip", u"7");
  EXPECT_EQ(settings_.ReadFlipSetting(), 7) << "counts as flipped";
  store_->WriteProfileString(u"PROFILES", u"Flip", u"yes");
  EXPECT_EQ(settings_.ReadFlipSetting(), 0);
}

TEST_F(AppSettingsTest, RecordDelayIsKeptUnderTheLanguagesName) {
  // No language file: the name is the lookup's "#Error".
  EXPECT_EQ(settings_.WriteRecordDelaySetting(1), 1);
  EXPECT_EQ(Stored(u"#Error"), u"1");
  EXPECT_EQ(settings_.ReadRecordDelaySetting(), 1);

  ASSERT_TRUE(ini::ReplaceFile(program_ / "Lang0804.ini",
                               "[TEXT]\r\nIDS_MACRO_ACTION_RECORD_DELAY=Record delays\r\n"));
  EXPECT_EQ(settings_.ReadRecordDelaySetting(), 0) << "a new name starts from the default";
  EXPECT_EQ(settings_.WriteRecordDelaySetting(5), 0);
  EXPECT_EQ(Stored(u"Record delays"), u"0");
  EXPECT_EQ(Stored(u"#Error"), u"1");
}

TEST_F(AppSettingsTest, ProfileListKeepsOlderRowsBeyondTheCount) {
  const std::vector<std::u16string> three = {u"/p/a.fwc", u"/p/b b.fwc", u"/p/中.fwc"};
  ASSERT_TRUE(settings_.StoreProfileList(three));
  EXPECT_EQ(Stored(u"PROFILE00"), u"3");
  EXPECT_EQ(Stored(u"PROFILE02"), u"/p/b b.fwc");
  EXPECT_EQ(Stored(u"PROFILE03"), u"/p/中.fwc");

  const std::vector<std::u16string> one = {u"/p/z.fwc"};
  ASSERT_TRUE(settings_.StoreProfileList(one));
  EXPECT_EQ(Stored(u"PROFILE00"), u"1");
  EXPECT_EQ(Stored(u"PROFILE01"), u"/p/z.fwc");
  EXPECT_EQ(Stored(u"PROFILE03"), u"/p/中.fwc");

  ASSERT_TRUE(settings_.StoreProfileList({}));
  EXPECT_EQ(Stored(u"PROFILE00"), u"0");
}

TEST_F(AppSettingsTest, ProfileListReportsARowThatCouldNotBeStored) {
  const std::vector<std::u16string> rows = {u"/p/a.fwc", u"/p/line\nbreak.fwc"};
  EXPECT_FALSE(settings_.StoreProfileList(rows));
  EXPECT_EQ(Stored(u"PROFILE01"), u"/p/a.fwc");
  EXPECT_EQ(Stored(u"PROFILE02"), u"<none>");
}

TEST(AppSettingsFailures, FailedWritesLeaveTheOldValue) {
  TempDir program;
  test::FakeSettingsStore store;
  Texts texts(program.path(), store, 0x0409);
  AppSettings settings(store, texts, program / "profiles");
  settings.WriteFlipSetting(1);
  store.failWrites = true;
  EXPECT_EQ(settings.WriteFlipSetting(0), 0);
  EXPECT_EQ(settings.ReadFlipSetting(), 1);
}

TEST_F(AppSettingsTest, DengCheckLivesInTheProfileFolder) {
  EXPECT_EQ(settings_.LightingViewFile(), documents_ / "Vantrel_09A" / "wskb.ini");
  EXPECT_EQ(settings_.ReadDengCheck(), 0);
  ASSERT_TRUE(settings_.WriteDengCheck(1)) << "the profile folder is made when missing";
  EXPECT_EQ(settings_.ReadDengCheck(), 1);
  EXPECT_EQ(ini::ReadString(settings_.LightingViewFile(), u"KEYCOLOR", u"DengCheck", u""), u"1");
  ASSERT_TRUE(settings_.WriteDengCheck(3));
  EXPECT_EQ(settings_.ReadDengCheck(), 0);

  ASSERT_TRUE(ini::ReplaceFile(settings_.LightingViewFile(), "[KeyColor]\r\ndengcheck = 2\r\n"));
  EXPECT_EQ(settings_.ReadDengCheck(), 2) << "readers decide what other numbers mean";
}

TEST(AppSettingsFailures, DengCheckReportsAFolderThatCannotBeMade) {
  TempDir root;
  test::FakeSettingsStore store;
  Texts texts(root.path(), store, 0x0409);
  root.Write("blocked", "a file where the profile folder should be");
  AppSettings settings(store, texts, root / "blocked" / "Vantrel_09A");
  EXPECT_FALSE(settings.WriteDengCheck(1));
  EXPECT_EQ(settings.ReadDengCheck(), 0);
}

}  // namespace
}  // namespace ombrex
