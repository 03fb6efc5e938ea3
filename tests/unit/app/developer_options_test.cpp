#include "app/developer_options.h"

#include <gtest/gtest.h>

#include "ombrex_version.h"

namespace ombrex {
namespace {

TEST(DeveloperOptionsTest, DeveloperOptionsAreTakenAndTheProgramsOwnPassedOn) {
  ApplicationConfig config;
  const std::vector<std::string> args{
      "--instance", "Test1",    "/Start", "--trace", "--screenshot", "shots",  "--profile-folder",
      "/tmp/p",     "--events", "Ev_",    "/Kill",   "--record",     "session"};
  const ParsedOptions parsed = ParseDeveloperOptions(args, config, OptionSet::Window);
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(config.instanceName, "Test1");
  EXPECT_EQ(config.eventPrefix, "Ev_");
  EXPECT_EQ(config.profileFolder, std::filesystem::path("/tmp/p"));
  EXPECT_EQ(config.recordFile, std::filesystem::path("session"));
  EXPECT_TRUE(parsed.options.trace);
  EXPECT_EQ(parsed.options.screenshotFolder, std::filesystem::path("shots"));
  EXPECT_EQ(parsed.options.programArguments, (std::vector<std::string>{"/Start", "/Kill"}));
}

TEST(DeveloperOptionsTest, UnknownOptionsAndMissingValuesAreRefused) {
  struct Case {
    std::vector<std::string> args;
    OptionSet set;
    const char* offending;
  };
  const Case cases[] = {
      {{"--verbose"}, OptionSet::Window, "--verbose"},
      {{"--instance"}, OptionSet::Window, "--instance"},
      {{"--record"}, OptionSet::Headless, "--record"},
      {{"--screenshot", "dir"}, OptionSet::Headless, "--screenshot"},
  };
  for (const Case& c : cases) {
    ApplicationConfig config;
    const ParsedOptions parsed = ParseDeveloperOptions(c.args, config, c.set);
    EXPECT_FALSE(parsed.ok) << c.offending;
    EXPECT_EQ(parsed.error, c.offending);
  }
  EXPECT_NE(DeveloperUsage("ombrex", OptionSet::Window).find("--screenshot"), std::string::npos);
  EXPECT_EQ(DeveloperUsage("ombrex-headless", OptionSet::Headless).find("--screenshot"),
            std::string::npos);
}

// --help and --version end the start before anything else is read: a
// running copy is never asked, and the other options do not matter.
TEST(DeveloperOptionsTest, HelpAndVersionAnswerWhateverElseIsGiven) {
  struct Case {
    std::vector<std::string> args;
    OptionSet set;
    const char* startsWith;  // nullptr: no answer, the start goes on
  };
  const Case cases[] = {
      {{"--help"}, OptionSet::Window, "usage: ombrex "},
      {{"-h"}, OptionSet::Headless, "usage: ombrex-headless "},
      {{"/Kill", "--version"}, OptionSet::Window, "ombrex " OMBREX_VERSION "\n"},
      {{"--version"}, OptionSet::Headless, "ombrex-headless " OMBREX_VERSION "\n"},
      {{"--version", "--help"}, OptionSet::Window, "ombrex " OMBREX_VERSION "\n"},
      {{"--bogus", "--help"}, OptionSet::Window, "usage: ombrex "},
      {{"/Start", "--trace"}, OptionSet::Window, nullptr},
      {{"/help", "version"}, OptionSet::Window, nullptr},
      {{}, OptionSet::Window, nullptr},
  };
  for (const Case& c : cases) {
    const auto answer = InformationRequested(c.args, c.set);
    if (c.startsWith == nullptr) {
      EXPECT_FALSE(answer.has_value()) << *answer;
      continue;
    }
    ASSERT_TRUE(answer.has_value()) << c.startsWith;
    EXPECT_EQ(answer->rfind(c.startsWith, 0), 0u) << *answer;
    EXPECT_EQ(answer->back(), '\n');
  }
  EXPECT_NE(ProgramHelp(OptionSet::Window).find("--screenshot"), std::string::npos);
  EXPECT_EQ(ProgramHelp(OptionSet::Headless).find("--screenshot"), std::string::npos);
  EXPECT_NE(ProgramHelp(OptionSet::Headless).find("Exit codes:"), std::string::npos);
}

}  // namespace
}  // namespace ombrex
