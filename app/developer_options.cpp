#include "app/developer_options.h"

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
                      " [--instance NAME] [--events PREFIX] [--profile-folder DIR] [--trace]";
  if (set == OptionSet::Window) usage += " [--screenshot DIR]";
  return usage + " [/Start] [/Kill]";
}

}  // namespace ombrex
