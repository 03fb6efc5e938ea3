#include <cstring>

#include "tools/ombrexctl/ctl_doctor.h"

namespace ombrex::ctl {

// Windows gives every user the keyboard's HID collections; there is no rule.
std::vector<std::string> RuleFolders() {
  return {};
}

std::vector<std::string> InstalledRules() {
  return {};
}

std::string InstallRuleCommand() {
  return "nothing to install on Windows";
}

Refusal ExplainRefusal(const std::string&, int error, bool) {
  return {std::string(std::strerror(error)) + "; another program may hold the keyboard",
          "close the keyboard's other tools, then start again"};
}

}  // namespace ombrex::ctl
