#include "platform/paths.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "platform/command_line.h"
#include "tests/support/portable.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include "platform/win32.h"
#endif

namespace ombrex {
namespace {

using test::ScopedEnvironment;

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

#ifndef _WIN32

TEST(SystemDefaultLanguageId, FirstSetLocaleVariableDecides) {
  ScopedEnvironment env;
  env.Set("LC_ALL", std::nullopt);
  env.Set("LC_MESSAGES", "de_DE.UTF-8");
  env.Set("LANG", "zh_CN.UTF-8");
  EXPECT_EQ(SystemDefaultLanguageId(), 0x0407);
  env.Set("LC_ALL", "zh_TW.UTF-8");
  EXPECT_EQ(SystemDefaultLanguageId(), 0x0404);
  env.Set("LC_ALL", "");
  env.Set("LC_MESSAGES", std::nullopt);
  EXPECT_EQ(SystemDefaultLanguageId(), 0x0804);
  env.Set("LANG", std::nullopt);
  EXPECT_EQ(SystemDefaultLanguageId(), 0x0409);
}

TEST(DocumentsFolder, EnvironmentThenUserDirsThenHome) {
  test::TempDir home;
  ScopedEnvironment env;
  env.Set("HOME", Utf8FromPath(home.path()));
  env.Set("XDG_CONFIG_HOME", Utf8FromPath(home / "cfg"));
  env.Set("XDG_DOCUMENTS_DIR", "/srv/docs");
  EXPECT_EQ(DocumentsFolder(), "/srv/docs");

  env.Set("XDG_DOCUMENTS_DIR", std::nullopt);
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
  ScopedEnvironment env;
  env.Set("XDG_DATA_HOME", "/tmp/xdg-data");
  EXPECT_EQ(UserDataFolder(), "/tmp/xdg-data/Ombrex");
  env.Set("XDG_DATA_HOME", std::nullopt);
  env.Set("HOME", "/home/someone");
  EXPECT_EQ(UserDataFolder(), "/home/someone/.local/share/Ombrex");
}

#else

// Windows keeps these in its own settings, not in variables: the known
// folders and the system's language id.
TEST(DocumentsFolder, IsTheUsersKnownDocumentsFolder) {
  ScopedEnvironment env;
  env.Set("XDG_DOCUMENTS_DIR", "/srv/docs");
  const std::filesystem::path documents = DocumentsFolder();
  EXPECT_TRUE(documents.is_absolute()) << Utf8FromPath(documents);
  EXPECT_TRUE(std::filesystem::is_directory(documents)) << Utf8FromPath(documents);
  EXPECT_NE(documents, "/srv/docs");
}

TEST(UserDataFolder, IsBelowTheLocalApplicationData) {
  const std::filesystem::path data = UserDataFolder();
  EXPECT_EQ(data.filename(), "Ombrex");
  EXPECT_TRUE(std::filesystem::is_directory(data.parent_path())) << Utf8FromPath(data);
}

TEST(SystemDefaultLanguageId, IgnoresTheLocaleVariables) {
  ScopedEnvironment env;
  env.Set("LC_ALL", "zh_TW.UTF-8");
  EXPECT_EQ(SystemDefaultLanguageId(), GetSystemDefaultLangID());
}

#endif

TEST(ExecutableFolder, HoldsTheRunningExecutable) {
  const auto executable = ExecutableFolder() / ProgramFileName();
  EXPECT_TRUE(std::filesystem::is_regular_file(executable));
#ifdef _WIN32
  EXPECT_EQ(ProgramFileName(), "platform_tests.exe");
#else
  EXPECT_EQ(ProgramFileName(), "platform_tests");
#endif
}

TEST(ProgramFolder, IsBesideTheTestsInTheBuildTree) {
  EXPECT_EQ(ProgramFolder(), ExecutableFolder());
  EXPECT_EQ(ServiceFolder(), ExecutableFolder());
}

// Which folders exist around bin/, and where the program then looks.
TEST(LayoutAround, FindsTheBuildTreeOrTheInstalledTree) {
  struct Case {
    const char* name;
    std::vector<const char*> folders;
    bool installed;
  };
  const Case cases[] = {
      {"build tree", {"bin/Skins"}, false},
      {"installed tree", {"bin", "share/ombrex/Skins", "lib/ombrex"}, true},
      {"installed without its library folder", {"bin", "share/ombrex/Skins"}, true},
      {"skins on both sides: the build tree wins", {"bin/Skins", "share/ombrex/Skins"}, false},
      {"an installed tree that lost its skins", {"bin", "share/ombrex"}, true},
      {"another program's share/", {"bin", "share/other/Skins"}, false},
      {"nothing anywhere", {"bin"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const test::TempDir dir;
    for (const char* folder : c.folders) std::filesystem::create_directories(dir / folder);
    const ProgramLayout layout = LayoutAround(dir / "bin");
    if (c.installed) {
      EXPECT_EQ(layout.programFolder, dir / "share" / "ombrex");
      EXPECT_EQ(layout.serviceFolder, dir / "lib" / "ombrex");
    } else {
      EXPECT_EQ(layout.programFolder, dir / "bin");
      EXPECT_EQ(layout.serviceFolder, dir / "bin");
    }
  }
}

}  // namespace
}  // namespace ombrex
