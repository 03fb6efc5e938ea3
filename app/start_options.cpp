#include "app/start_options.h"

#include <algorithm>
#include <cctype>

namespace ombrex {

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::vector<StartOption> ParseStartOptions(std::span<const std::string> arguments) {
  std::vector<StartOption> options;
  for (const std::string& argument : arguments) {
    if (SameIgnoringCase(argument, "/Kill")) {
      options.push_back(StartOption::Kill);
    } else if (SameIgnoringCase(argument, "/Start")) {
      options.push_back(StartOption::Start);
    }
  }
  return options;
}

}  // namespace ombrex
