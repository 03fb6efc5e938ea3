#include "platform/paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "tests/support/temp_dir.h"

namespace ombrex {
namespace {

// Sets environment variables for one test and restores them afterwards.
class ScopedEnv {
 public:
  void Set(const char* name, const char* value) {
    if (const char* old = getenv(name)) {
      saved_.emplace_back(name, std::string(old));
    } else {
      saved_.emplace_back(name, std::nullopt);
    }
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        unsetenv(it->first.c_str());
      }
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(LanguageIdFromLocale, MapsCommonLocales) {
  EXPECT_EQ(LanguageIdFromLocale("zh_CN.UTF-8"), 0x0804);
  EXPECT_EQ(LanguageIdFromLocale("zh_TW.Big5"), 0x0404);
  EXPECT_EQ(LanguageIdFromLocale("zh_HK"), 0x0C04);
  EXPECT_EQ(LanguageIdFromLocale("zh_SG.GB2312"), 0x1004);
  EXPECT_EQ(LanguageIdFromLocale("en_US.UTF-8"), 0x0409);
  EXPECT_EQ(LanguageIdFromLocale("en_GB"), 0x0809);
  EXPECT_EQ(LanguageIdFromLocale("de_DE@euro"), 0x0407);
  EXPECT_EQ(LanguageIdFromLocale("de_AT.ISO-8859-15@euro"), 0x0C07);
  EXPECT_EQ(LanguageIdFromLocale("es_MX"), 0x080A);
  EXPECT_EQ(LanguageIdFromLocale("fr_FR"), 0x040C);
  EXPECT_EQ(LanguageIdFromLocale("pt_BR.utf8"), 0x0416);
  EXPECT_EQ(LanguageIdFromLocale("zh-tw"), 0x0404) << "BCP 47 spelling";
}

TEST(LanguageIdFromLocale, FallsBackToTheLanguageThenToUsEnglish) {
  EXPECT_EQ(LanguageIdFromLocale("de_BE"), 0x0407);
  EXPECT_EQ(LanguageIdFromLocale("ja_JP.UTF-8"), 0x0411);
  EXPECT_EQ(LanguageIdFromLocale("C"), 0x0409);
  EXPECT_EQ(LanguageIdFromLocale("C.UTF-8"), 0x0409);
  EXPECT_EQ(LanguageIdFromLocale("POSIX"), 0x0409);
  EXPECT_EQ(LanguageIdFromLocale(""), 0x0409);
  EXPECT_EQ(LanguageIdFromLocale("xx_YY"), 0x0409);
}

TEST(SystemDefaultLanguageId, FirstSetLocaleVariableDecides) {
  ScopedEnv env;
  env.Set("LC_ALL", nullptr);
  env.Set("LC_MESSAGES", "de_DE.UTF-8");
  env.Set("LANG", "zh_CN.UTF-8");
  EXPECT_EQ(SystemDefaultLanguageId(), 0x0407);
  env.Set("LC_ALL", "zh_TW.UTF-8");
  EXPECT_EQ(SystemDefaultLanguageId(), 0x0404);
  env.Set("LC_ALL", "");
  env.Set("LC_MESSAGES", nullptr);
  EXPECT_EQ(SystemDefaultLanguageId(), 0x0804);
  env.Set("LANG", nullptr);
  EXPECT_EQ(SystemDefaultLanguageId(), 0x0409);
}

TEST(DocumentsFolder, EnvironmentThenUserDirsThenHome) {
  test::TempDir home;
  ScopedEnv env;
  env.Set("HOME", home.path().c_str());
  env.Set("XDG_CONFIG_HOME", (home / "cfg").c_str());
  env.Set("XDG_DOCUMENTS_DIR", "/srv/docs");
  EXPECT_EQ(DocumentsFolder(), "/srv/docs");

  env.Set("XDG_DOCUMENTS_DIR", nullptr);
  EXPECT_EQ(DocumentsFolder(), home / "Documents");

  home.Write("cfg/user-dirs.dirs",
             "# written by xdg-user-dirs-update\n"
             "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
             "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  EXPECT_EQ(DocumentsFolder(), home / "Dokumente");

  home.Write("cfg/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"/data/papers\"\n");
  EXPECT_EQ(DocumentsFolder(), "/data/papers");

  env.Set("XDG_DOCUMENTS_DIR", "relative/ignored");
  EXPECT_EQ(DocumentsFolder(), "/data/papers");
}

TEST(UserDataFolder, FollowsXdgDataHome) {
  ScopedEnv env;
  env.Set("XDG_DATA_HOME", "/tmp/xdg-data");
  EXPECT_EQ(UserDataFolder(), "/tmp/xdg-data/Ombrex");
  env.Set("XDG_DATA_HOME", nullptr);
  env.Set("HOME", "/home/someone");
  EXPECT_EQ(UserDataFolder(), "/home/someone/.local/share/Ombrex");
}

TEST(ProgramFolder, IsTheFolderOfTheRunningExecutable) {
  const auto executable = ProgramFolder() / ProgramFileName();
  EXPECT_TRUE(std::filesystem::is_regular_file(executable));
  EXPECT_EQ(ProgramFileName(), "platform_tests");
}

}  // namespace
}  // namespace ombrex
