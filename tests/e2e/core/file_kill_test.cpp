// Every file the program writes, written by a process that is killed
// (SIGKILL) at random points while it writes it over and over, two versions
// in turn: what is left is always one whole version, never a broken file or
// a lost one. Import, Export to a new file and over an old one, a user mode's
// colours, the settings, wskb.ini and the profile file of the start-up read.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <random>

#include "model/app_settings.h"
#include "model/keyboard_sync.h"
#include "model/user_mode_files.h"
#include "model/workspace.h"
#include "platform/ini.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"
#include "tests/support/device/virtual_keyboard_rig.h"
#include "tests/support/recording_prompter.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/model/model_test_support.h"

namespace ombrex::e2e {
namespace {

constexpr int kRoundsEach = 8;
constexpr int kSlot = 0x1E;

// `write(version)` for version 0, 1, 0, ... in a child process until it is
// killed, somewhere in one of its next few writes after the first whole one:
// the child says each write done, and the kill follows a random count of
// them, landing wherever the child has got to by then. False when the child
// ended by itself (its write failed).
bool KillWhileWriting(const std::function<bool(int)>& write, std::mt19937& random) {
  int done[2];
  if (::pipe(done) != 0) return false;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(done[0]);
    for (long i = 0;; ++i) {
      if (!write(static_cast<int>(i % 2))) ::_exit(1);
      if (::write(done[1], "w", 1) != 1) ::_exit(1);
    }
  }
  ::close(done[1]);
  const int writes = 1 + std::uniform_int_distribution(0, 4)(random);
  bool started = child > 0;
  char byte = 0;
  for (int i = 0; started && i < writes; ++i) started = ::read(done[0], &byte, 1) == 1;
  if (child > 0) ::kill(child, SIGKILL);
  int status = 0;
  if (child > 0) ::waitpid(child, &status, 0);
  ::close(done[0]);
  return started && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

bool ValidImage(const std::filesystem::path& file) {
  SilentPrompter silent;
  return ValidateImageFile(file, silent) == ImageResult::kOk;
}

// Which of the two versions a profile image is: key A of profile 1 sends B or C.
int ImageVersion(const std::filesystem::path& file) {
  Workspace read(file.parent_path());
  if (!ValidImage(file) || read.LoadImageFile(file) != ImageResult::kOk) return -1;
  const KeyEntry entry = read.ReadEntry(ProfileNumber(0), kSlot);
  if (entry == test::Entry(AssignKind::SingleKey, 0x30)) return 0;
  if (entry == test::Entry(AssignKind::SingleKey, 0x2E)) return 1;
  return -1;
}

class FileKillTest : public ::testing::Test {
 protected:
  FileKillTest()
      : random_(static_cast<unsigned>(::testing::UnitTest::GetInstance()->random_seed())) {
    for (int v = 0; v < 2; ++v) {
      versions_[v].CreateDefaultImage({}, 0, true);
      versions_[v].StoreEntry(ProfileNumber(0), kSlot,
                              test::Entry(AssignKind::SingleKey, v == 0 ? 0x30 : 0x2E));
      sources_[v] = dir_ / ("source" + std::to_string(v) + ".fwc");
      EXPECT_EQ(versions_[v].SaveImageFile(sources_[v]), ImageResult::kOk);
    }
  }

  // Rounds of kills; after each `check` holds.
  void Rounds(const std::function<bool(int)>& write,
              const std::function<::testing::AssertionResult()>& check) {
    for (int round = 0; round < kRoundsEach; ++round) {
      SCOPED_TRACE("round " + std::to_string(round));
      ASSERT_TRUE(KillWhileWriting(write, random_)) << "the writer did not run until killed";
      ASSERT_TRUE(check());
    }
  }

  static ::testing::AssertionResult OneVersion(const std::filesystem::path& file) {
    const int version = ImageVersion(file);
    if (version < 0) return ::testing::AssertionFailure() << file << " is no whole version";
    return ::testing::AssertionSuccess();
  }

  test::TempDir dir_;
  std::mt19937 random_;
  std::array<Workspace, 2> versions_{Workspace(dir_.path()), Workspace(dir_.path())};
  std::array<std::filesystem::path, 2> sources_;
};

TEST_F(FileKillTest, ExportOverAnOldFileLeavesOneWholeVersion) {
  const std::filesystem::path target = dir_ / "export.fwc";
  ASSERT_EQ(versions_[0].SaveImageFile(target), ImageResult::kOk);
  Rounds([&](int v) { return versions_[v].SaveImageFile(target) == ImageResult::kOk; },
         [&] { return OneVersion(target); });
}

TEST_F(FileKillTest, ExportToNewFilesLeavesEachWholeOrNone) {
  long serial = 0;  // the child's own copy counts on
  Rounds(
      [&](int v) {
        const auto file =
            dir_ / ("new" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
        return versions_[v].SaveImageFile(file) == ImageResult::kOk;
      },
      [&] {
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
          const std::string name = entry.path().filename().string();
          if (name.rfind("new", 0) != 0 || name.find('.') != std::string::npos) continue;
          if (auto whole = OneVersion(entry.path()); !whole) return whole;
        }
        return ::testing::AssertionSuccess();
      });
}

TEST_F(FileKillTest, ImportLeavesTheProfileFileOneWholeVersion) {
  Workspace program(dir_ / "profiles");
  SilentPrompter silent;
  ASSERT_TRUE(program.EnsureProfileFolder());
  ASSERT_EQ(program.CreateDefaultImage(program.ProfileFilePath(), 0, false), ImageResult::kOk);
  ASSERT_EQ(program.ImportImageFile(sources_[0], silent), ImageResult::kOk);
  ASSERT_EQ(program.SaveProfileFile(), ImageResult::kOk);
  Rounds(
      [&](int v) {
        return program.ImportImageFile(sources_[v], silent) == ImageResult::kOk &&
               program.SaveProfileFile() == ImageResult::kOk;
      },
      [&] { return OneVersion(program.ProfileFilePath()); });
}

TEST_F(FileKillTest, TheStartUpReadLeavesAWholeProfileFile) {
  const std::filesystem::path file = dir_ / "read.fwc";
  ASSERT_EQ(versions_[0].SaveImageFile(file), ImageResult::kOk);
  test::TestTexts texts;
  // Made in the child, whose threads the parent never has.
  std::unique_ptr<test::VirtualKeyboardRig> rig;
  std::unique_ptr<KeyboardSync> sync;
  SilentPrompter silent;
  Rounds(
      [&](int) {
        if (!rig) {
          rig = std::make_unique<test::VirtualKeyboardRig>();
          sync = std::make_unique<KeyboardSync>(versions_[1], rig->Commands(), texts.Get(), silent);
        }
        return sync->BuildImageFromKeyboard(file) == result::kOk;
      },
      [&] {
        Workspace read(dir_.path());
        if (ValidImage(file) && read.LoadImageFile(file) == ImageResult::kOk) {
          return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "the profile file is broken";
      });
}

// The ini files: the key written goes from one value to the other, and a key
// written once before, in the same file, is never lost with it.
TEST_F(FileKillTest, UserModeSettingsAndLightingViewFilesKeepEveryKey) {
  test::TestTexts texts;
  const std::unique_ptr<SettingsStore> store = OpenSettingsIn(dir_ / "config");
  AppSettings settings(*store, texts.Get(), dir_ / "profiles");
  UserModeFiles userModes(dir_ / "data", texts.ProgramFolder());
  const ProfileNumber profile(0);
  const std::array<UserKeyColour, 2> colours{UserKeyColour{{1, 2, 3}, false},
                                             UserKeyColour{{200, 100, 50}, false}};
  ASSERT_TRUE(store->WriteProfileString(u"PROFILES", u"Marker", u"kept"));
  ASSERT_TRUE(settings.WriteDengCheck(0));
  ASSERT_TRUE(ini::WriteString(settings.LightingViewFile(), u"KEYCOLOR", u"Marker", u"kept"));
  ASSERT_TRUE(userModes.SaveUserModeName(profile, 2, u"kept"));

  struct Case {
    const char* name;
    std::function<bool(int)> write;
    std::function<bool()> whole;
  };
  const Case cases[] = {
      {"user mode colours",
       [&](int v) {
         std::vector<LedKeyColour> keys;
         for (int led = 0; led < 64; ++led) keys.push_back({led, colours[v]});
         return userModes.SaveKeyColours(profile, 1, keys);
       },
       [&] {
         const UserKeyColour first = userModes.KeyColour(profile, 1, 0);
         for (int led = 1; led < 64; ++led) {
           if (!(userModes.KeyColour(profile, 1, led) == first)) return false;
         }
         return (first == colours[0] || first == colours[1]) &&
                userModes.UserModeName(profile, 2) == u"kept";
       }},
      {"settings",
       [&](int v) {
         settings.WriteFlipSetting(v);
         return true;
       },
       [&] {
         const std::u16string flip = store->ReadProfileString(u"PROFILES", u"Flip", u"none");
         return (flip == u"0" || flip == u"1") &&
                store->ReadProfileString(u"PROFILES", u"Marker", u"lost") == u"kept";
       }},
      {"wskb.ini", [&](int v) { return settings.WriteDengCheck(v); },
       [&] {
         const std::u16string deng =
             ini::ReadString(settings.LightingViewFile(), u"KEYCOLOR", u"DengCheck", u"none");
         return (deng == u"0" || deng == u"1") &&
                ini::ReadString(settings.LightingViewFile(), u"KEYCOLOR", u"Marker", u"lost") ==
                    u"kept";
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rounds(c.write, [&] {
      return c.whole() ? ::testing::AssertionSuccess()
                       : ::testing::AssertionFailure() << "a key was lost or broken";
    });
  }
}

}  // namespace
}  // namespace ombrex::e2e
