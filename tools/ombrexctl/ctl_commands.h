#pragma once

// ombrexctl's commands. Exit codes: 0 done, 1 refused or invalid input (with
// the reason on the error stream), 2 usage error, 3 no keyboard. A file given
// to the tool is only read, except by `read` and `assign`, which replace it
// whole or not at all.

#include <ostream>
#include <span>
#include <string>

namespace ombrex::ctl {

int RunCtl(std::span<const std::string> args, std::ostream& out, std::ostream& err);
std::string UsageText();

}  // namespace ombrex::ctl
