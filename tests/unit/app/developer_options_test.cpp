#include "app/developer_options.h"

#include <gtest/gtest.h>

namespace ombrex {
namespace {

TEST(DeveloperOptionsTest, DeveloperOptionsAreTakenAndTheProgramsOwnPassedOn) {
  ApplicationConfig config;
  const std::vector<std::string> args{
      "--instance",       "Test1",  "/Start",   "--trace", "--screenshot", "shots",
      "--profile-folder", "/tmp/p", "--events", "Ev_",     "/Kill"};
  const ParsedOptions parsed = ParseDeveloperOptions(args, config, OptionSet::Window);
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(config.instanceName, "Test1");
  EXPECT_EQ(config.eventPrefix, "Ev_");
  EXPECT_EQ(config.profileFolder, std::filesystem::path("/tmp/p"));
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

}  // namespace
}  // namespace ombrex
