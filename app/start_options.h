#pragma once

// The program's command-line options, recognised in any letter case:
//   /Kill   ask the running copy to exit, and end this start
//   /Start  start into the notification area; never open the window by
//           itself when the keyboard is attached
// Every other argument is ignored.

#include <span>
#include <string>
#include <vector>

namespace ombrex {

enum class StartOption { Kill, Start };

// The options among the arguments after the program name, in their order.
std::vector<StartOption> ParseStartOptions(std::span<const std::string> arguments);

}  // namespace ombrex
