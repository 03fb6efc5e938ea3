#pragma once

// The developer options of the program and of ombrex-headless, read before
// the program's own options ("/Start", "/Kill"), which are passed on:
//
//   --instance NAME        single-instance name (tests run copies side by side)
//   --events PREFIX        prefix of the named events
//   --profile-folder DIR   where the profile file lives
//   --trace                one line per effect on standard output ("window: show")
//   --record FILE          a recorded session of the keyboard's reports
//   --screenshot DIR       the window's picture once drawn, then exit (window only)

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/application.h"

namespace ombrex {

struct DeveloperOptions {
  bool trace = false;
  std::optional<std::filesystem::path> screenshotFolder;
  // What goes on to Application::Construct.
  std::vector<std::string> programArguments;
};

enum class OptionSet { Headless, Window };

struct ParsedOptions {
  bool ok = true;
  std::string error;  // the offending option, when not ok
  DeveloperOptions options;
};

// `arguments` are those after the program's name; `config` takes the
// instance, event and profile-folder choices.
ParsedOptions ParseDeveloperOptions(std::span<const std::string> arguments,
                                    ApplicationConfig& config, OptionSet set);

std::string DeveloperUsage(std::string_view program, OptionSet set);

// "--help" or "--version" among the arguments: the text that answers it, for
// standard output, after which the start ends with 0 and nothing else is
// done (no running copy is asked, no display needed). The first of the two
// decides.
std::optional<std::string> InformationRequested(std::span<const std::string> arguments,
                                                OptionSet set);
std::string ProgramHelp(OptionSet set);
std::string VersionText(std::string_view program);

}  // namespace ombrex
