// The on-screen keyboard button against a scripted system.

#include "editors/on_screen_keyboard.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace ombrex {
namespace {

struct ScriptedSystem {
  std::set<std::string> running;
  std::map<std::string, std::filesystem::path> installed;
  bool startWorks = true;
  std::vector<std::filesystem::path> started;

  OnScreenKeyboardSystem Get() {
    return {
        .isRunning = [this](std::string_view p) { return running.count(std::string(p)) > 0; },
        .find = [this](std::string_view p) -> std::optional<std::filesystem::path> {
          const auto found = installed.find(std::string(p));
          if (found == installed.end()) return std::nullopt;
          return found->second;
        },
        .start =
            [this](const std::filesystem::path& program) {
              started.push_back(program);
              return startWorks;
            },
    };
  }
};

TEST(OnScreenKeyboardTest, StartsThePreferredKeyboardOnlyWhenNoneRuns) {
  struct Case {
    std::set<std::string> running;
    std::map<std::string, std::filesystem::path> installed;
    bool startWorks;
    OnScreenKeyboard outcome;
    std::vector<std::filesystem::path> started;
  };
  const Case cases[] = {
      {{},
       {{"onboard", "/usr/bin/onboard"}, {"florence", "/usr/bin/florence"}},
       true,
       OnScreenKeyboard::kStarted,
       {"/usr/bin/onboard"}},
      {{},
       {{"florence", "/opt/bin/florence"}},
       true,
       OnScreenKeyboard::kStarted,
       {"/opt/bin/florence"}},
      // Whichever of the two runs, a click adds no second keyboard.
      {{"florence"},
       {{"onboard", "/usr/bin/onboard"}},
       true,
       OnScreenKeyboard::kAlreadyRunning,
       {}},
      {{"onboard"}, {{"onboard", "/usr/bin/onboard"}}, true, OnScreenKeyboard::kAlreadyRunning, {}},
      {{}, {}, true, OnScreenKeyboard::kNoneInstalled, {}},
      {{},
       {{"onboard", "/usr/bin/onboard"}},
       false,
       OnScreenKeyboard::kStartFailed,
       {"/usr/bin/onboard"}},
  };
  for (const Case& c : cases) {
    ScriptedSystem system{c.running, c.installed, c.startWorks, {}};
    EXPECT_EQ(OpenOnScreenKeyboard(system.Get()), c.outcome);
    EXPECT_EQ(system.started, c.started);
  }
}

}  // namespace
}  // namespace ombrex
