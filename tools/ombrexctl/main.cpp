// ombrexctl: the keyboard from the command line. See ctl_commands.h.

#include <iostream>
#include <string>
#include <vector>

#include "tools/ombrexctl/ctl_commands.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return ombrex::ctl::RunCtl(args, std::cout, std::cerr);
}
