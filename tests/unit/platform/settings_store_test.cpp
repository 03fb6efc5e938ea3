#include "platform/settings_store.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <vector>

#include "platform/win32.h"
// After windows.h, which it needs.
#include <sddl.h>

#include "tests/support/portable.h"
#else
#include <signal.h>
#include <sys/resource.h>
#endif

#include "platform/ini.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace ombrex {
namespace {

using test::TempDir;

class SettingsStoreTest : public ::testing::Test {
 protected:
  TempDir root_;
  std::unique_ptr<SettingsStore> store_ = OpenSettingsIn(root_.path());
};

// Values that a file or a careless store would change on the way back.
const std::u16string kAwkwardValues[] = {
    u"1",
    u"",
    u"  padded  ",
    u"\"quoted\"",
    u"'single'",
    u"\"",
    u"C:\\Users\\me\\a b.fwc",
    u"中文 路径/文件.fwc",
    u"a=b;c",
};

TEST_F(SettingsStoreTest, ProfileStringsComeBackExactly) {
  EXPECT_EQ(store_->ReadProfileString(u"PROFILES", u"Flip", u"0"), u"0");
  for (const std::u16string& value : kAwkwardValues) {
    ASSERT_TRUE(store_->WriteProfileString(u"PROFILES", u"Value", value));
    EXPECT_EQ(store_->ReadProfileString(u"PROFILES", u"Value", u"default"), value);
  }
  // Names compare as registry names do.
  EXPECT_EQ(store_->ReadProfileString(u"profiles", u"VALUE", u"default"), u"a=b;c");
  EXPECT_EQ(store_->ReadProfileString(u"Other", u"Value", u"default"), u"default");
}

TEST_F(SettingsStoreTest, DwordsKeepTheirType) {
  EXPECT_FALSE(store_->ReadDword(u"dwLanguageId").has_value());
  ASSERT_TRUE(store_->WriteDword(u"dwLanguageId", 0x0407));
  EXPECT_EQ(store_->ReadDword(u"dwlanguageid"), 0x0407u);
  ASSERT_TRUE(store_->WriteDword(u"dwLanguageId", 0xFFFFFFFF));
  EXPECT_EQ(store_->ReadDword(u"dwLanguageId"), 0xFFFFFFFFu);

  // Values of any other form are not DWORDs.
  const auto file = root_ / "Ombrex/registry.ini";
  const std::u16string section = u"HKEY_CURRENT_USER\\Software\\Ombrex";
  EXPECT_EQ(ini::ReadString(file, section, u"dwLanguageId", u""), u"dword:ffffffff");
  for (std::u16string_view text : {u"1031", u"dword:407", u"dword:0000040g", u"hex:07,04", u""}) {
    ASSERT_TRUE(ini::WriteString(file, section, u"dwLanguageId", text));
    EXPECT_FALSE(store_->ReadDword(u"dwLanguageId").has_value()) << Utf8FromUtf16(text);
  }
  ASSERT_TRUE(ini::WriteString(file, section, u"dwLanguageId", u"DWORD:0000080A"));
  EXPECT_EQ(store_->ReadDword(u"dwLanguageId"), 0x080Au);
}

TEST_F(SettingsStoreTest, TheTwoHomesAreSeparateFiles) {
  ASSERT_TRUE(store_->WriteProfileString(u"PROFILES", u"dwLanguageId", u"dword:00000409"));
  EXPECT_FALSE(store_->ReadDword(u"dwLanguageId").has_value());
  EXPECT_TRUE(std::filesystem::exists(root_ / "Vantrel_Pellucid/Ombrex.ini"));
  EXPECT_FALSE(std::filesystem::exists(root_ / "Ombrex/registry.ini"));

  TempDir otherRoot;
  auto other = OpenSettingsIn(otherRoot.path());
  EXPECT_EQ(other->ReadProfileString(u"PROFILES", u"dwLanguageId", u"none"), u"none");
}

TEST_F(SettingsStoreTest, FailedWritesLeaveTheOldValueOrTheDefault) {
  // The program key's folder cannot be made: a file stands in its place.
  root_.Write("Ombrex", "not a folder");
  EXPECT_FALSE(store_->WriteDword(u"dwLanguageId", 0x0409));
  EXPECT_FALSE(store_->ReadDword(u"dwLanguageId").has_value());

  ASSERT_TRUE(store_->WriteProfileString(u"PROFILES", u"Flip", u"1"));
  {
#ifdef _WIN32
    // Another program holds the file and does not share its deletion.
    const std::filesystem::path file = root_ / "Vantrel_Pellucid/Ombrex.ini";
    const HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(store_->WriteProfileString(u"PROFILES", u"Flip", u"0"));
    CloseHandle(held);
#else
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = 8;
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_FALSE(store_->WriteProfileString(u"PROFILES", u"Flip", u"0"));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
#endif
  }
  EXPECT_EQ(store_->ReadProfileString(u"PROFILES", u"Flip", u"0"), u"1");
  EXPECT_FALSE(store_->WriteProfileString(u"PROFILES", u"Path", u"line\nbreak"));
  EXPECT_EQ(store_->ReadProfileString(u"PROFILES", u"Path", u"default"), u"default");
}

#ifdef _WIN32
// The test environment points this process's HKEY_CURRENT_USER at a private
// key, so these see the registry as the program does without touching the
// user's own settings.
std::optional<std::wstring> RegistryText(const wchar_t* key, const wchar_t* name, DWORD& type) {
  wchar_t text[64] = {};
  DWORD size = sizeof text;
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &type, text, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(text);
}

TEST(UserSettings, LiveInTheRegistryWithTheirTypes) {
  auto store = OpenUserSettings();
  ASSERT_TRUE(store->WriteDword(u"dwLanguageId", 0x0804));
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD type = 0;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Ombrex", L"dwLanguageId", RRF_RT_ANY, &type,
                         &value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value, 0x0804u);

  ASSERT_TRUE(store->WriteProfileString(u"PROFILES", u"Flip", u"1"));
  EXPECT_EQ(RegistryText(L"Software\\Vantrel_Pellucid\\Ombrex\\PROFILES", L"Flip", type), L"1");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

  // A value of the same name and another type is not a DWORD.
  const wchar_t text[] = L"2052";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Ombrex", L"dwLanguageId", REG_SZ, text,
                            sizeof text),
            ERROR_SUCCESS);
  EXPECT_FALSE(store->ReadDword(u"dwLanguageId").has_value());
  const std::filesystem::path config = std::getenv("XDG_CONFIG_HOME");
  EXPECT_FALSE(std::filesystem::exists(config / "Ombrex")) << "nothing goes to files";
}

// HKEY_USERS\<SID> is the user's real hive, which the override leaves alone.
std::wstring UserHive() {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<std::uint8_t> user(size);
  GetTokenInformation(token, TokenUser, user.data(), size, &size);
  CloseHandle(token);
  LPWSTR sid = nullptr;
  ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid);
  std::wstring hive = sid != nullptr ? sid : L"";
  LocalFree(sid);
  return hive;
}

TEST(UserSettings, LandInThisTestProcessesKeyAndNeverInTheUsersOwn) {
  auto store = OpenUserSettings();
  ASSERT_TRUE(store->WriteDword(u"dwIsolationProbe", 7));
  const std::wstring hive = UserHive();
  ASSERT_FALSE(hive.empty());
  const std::wstring own = hive + L"\\Software\\Ombrex-tests\\" +
                           std::to_wstring(test::ProcessId()) + L"\\Software\\Ombrex";
  DWORD value = 0;
  DWORD size = sizeof value;
  EXPECT_EQ(RegGetValueW(HKEY_USERS, own.c_str(), L"dwIsolationProbe", RRF_RT_REG_DWORD, nullptr,
                         &value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 7u);
  size = sizeof value;
  EXPECT_NE(RegGetValueW(HKEY_USERS, (hive + L"\\Software\\Ombrex").c_str(), L"dwIsolationProbe",
                         RRF_RT_REG_DWORD, nullptr, &value, &size),
            ERROR_SUCCESS);
}

TEST(UserSettings, RegistryValuesComeBackExactly) {
  auto store = OpenUserSettings();
  EXPECT_EQ(store->ReadProfileString(u"RECENT", u"Value", u"default"), u"default");
  for (const std::u16string& value : kAwkwardValues) {
    ASSERT_TRUE(store->WriteProfileString(u"RECENT", u"Value", value));
    EXPECT_EQ(store->ReadProfileString(u"RECENT", u"Value", u"default"), value);
  }
  EXPECT_EQ(store->ReadProfileString(u"recent", u"VALUE", u"default"), u"a=b;c");
  ASSERT_TRUE(store->WriteDword(u"dwProbe", 0xFFFFFFFF));
  EXPECT_EQ(store->ReadDword(u"DWPROBE"), 0xFFFFFFFFu);

  // Registry key names end at 255 characters: such a section is refused.
  const std::u16string tooLong(300, u'S');
  EXPECT_FALSE(store->WriteProfileString(tooLong, u"Value", u"x"));
  EXPECT_EQ(store->ReadProfileString(tooLong, u"Value", u"default"), u"default");
}
#else
TEST(UserSettings, LiveUnderTheConfigFolder) {
  // The test environment points XDG_CONFIG_HOME at a private folder.
  const std::filesystem::path config = std::getenv("XDG_CONFIG_HOME");
  auto store = OpenUserSettings();
  ASSERT_TRUE(store->WriteDword(u"probe", 1));
  EXPECT_TRUE(std::filesystem::exists(config / "Ombrex/registry.ini"));
}

#endif

}  // namespace
}  // namespace ombrex
