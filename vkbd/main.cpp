#include <iostream>
#include <string>
#include <vector>

#include "ombrex_version.h"
#include "vkbd/command_line.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << "ombrex-vkbd " << OMBREX_VERSION << "\n";
    return 0;
  }
  return ombrex::vkbd::RunCommandLine(args, std::cout, std::cerr);
}
