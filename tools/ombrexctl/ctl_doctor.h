#pragma once

// `ombrexctl doctor`: why the keyboard can or cannot be used, and the one
// command that fixes it. For real keyboards: the keyboard's hidraw nodes,
// whether the udev rule is installed and where, whether this user can open
// each node and why not. For the virtual and model keyboards: where they are
// looked for and whether one answers. 0 when the keyboard is usable, else 1.

#include <ostream>
#include <string>
#include <vector>

namespace ombrex::ctl {

int Doctor(std::ostream& out);

// What the system says about access to a node this user could not open.
// The per-system half of the doctor (ctl_doctor_posix.cpp, _win32.cpp).
struct Refusal {
  std::string reason;
  std::string fix;  // one command, or what to do
};

// Installed udev rules that name the keyboard (empty where the system has
// no udev). OMBREX_UDEV_RULES_DIRS (colon-separated) replaces the folders
// looked in, for tests.
std::vector<std::string> InstalledRules();
std::vector<std::string> RuleFolders();
// `error` is the errno of the failed open.
Refusal ExplainRefusal(const std::string& node, int error, bool ruleInstalled);
// What makes the rule take effect from where it is shipped.
std::string InstallRuleCommand();

}  // namespace ombrex::ctl
