#include "app/developer_options.h"

#include "ombrex_version.h"
#include "platform/command_line.h"

namespace ombrex {

ParsedOptions ParseDeveloperOptions(std::span<const std::string> arguments,
                                    ApplicationConfig& config, OptionSet set) {
  ParsedOptions parsed;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (argument == "--instance" && hasValue) {
      config.instanceName = arguments[++i];
    } else if (argument == "--events" && hasValue) {
      config.eventPrefix = arguments[++i];
    } else if (argument == "--profile-folder" && hasValue) {
      config.profileFolder = arguments[++i];
    } else if (argument == "--record" && hasValue) {
      config.recordFile = PathFromUtf8(arguments[++i]);
    } else if (argument == "--trace") {
      parsed.options.trace = true;
    } else if (argument == "--screenshot" && hasValue && set == OptionSet::Window) {
      parsed.options.screenshotFolder = std::filesystem::path(arguments[++i]);
    } else if (argument.rfind("--", 0) == 0) {
      parsed.ok = false;
      parsed.error = argument;
      return parsed;
    } else {
      parsed.options.programArguments.push_back(argument);
    }
  }
  return parsed;
}

std::string DeveloperUsage(std::string_view program, OptionSet set) {
  std::string usage = "usage: " + std::string(program) +
                      " [--instance NAME] [--events PREFIX] [--profile-folder DIR] [--trace]"
                      " [--record FILE]";
  if (set == OptionSet::Window) usage += " [--screenshot DIR]";
  return usage + " [/Start] [/Kill]";
}

std::string VersionText(std::string_view program) {
  return std::string(program) + " " + OMBREX_VERSION + "\n";
}

std::string ProgramHelp(OptionSet set) {
  const bool window = set == OptionSet::Window;
  std::string text = DeveloperUsage(window ? "ombrex" : "ombrex-headless", set) + "\n\n";
  text += window ? "The Ombrex keyboard configuration utility: key assignments, macros, profiles\n"
                   "and lighting of the Ombrex RGB keyboard. It waits in the notification area\n"
                   "and opens its window once it has read the keyboard.\n"
                 : "The Ombrex keyboard utility without its window, for scripts and tests: it\n"
                   "starts as the program does and prints a line for everything the window\n"
                   "would show or do.\n";
  text +=
      "\n"
      "  /Start                start into the notification area; never open the window\n"
      "                        by itself\n"
      "  /Kill                 end the running copy, and this start\n"
      "  --trace               one line on standard output for each thing the window did\n"
      "  --record FILE         every report to and from the keyboard, with its time, into\n"
      "                        FILE (ombrex-vkbd serve --replay plays it back)\n";
  if (window) {
    text +=
        "  --screenshot DIR      save DIR/main-<scale>x.png once the window is drawn, print\n"
        "                        its path, end\n";
  }
  text +=
      "  --instance NAME       single-instance name (run copies side by side)\n"
      "  --events PREFIX       prefix of the named events\n"
      "  --profile-folder DIR  where the profile file lives\n"
      "  --help, --version     this text, or the version, and end\n"
      "\n"
      "A second start opens the running copy's window and ends.\n"
      "RAZIZID_BACKEND picks the keyboard: hid (default), virtual, model.\n"
      "Exit codes: 0 ended normally, 1 cannot start (no display, no service library,\n"
      "a missing or broken skin), 2 unknown option.\n";
  return text;
}

std::optional<std::string> InformationRequested(std::span<const std::string> arguments,
                                                OptionSet set) {
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") return ProgramHelp(set);
    if (argument == "--version") {
      return VersionText(set == OptionSet::Window ? "ombrex" : "ombrex-headless");
    }
  }
  return std::nullopt;
}

}  // namespace ombrex
