#include <iostream>
#include <string>
#include <vector>

#include "vkbd/command_line.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return ombrex::vkbd::RunCommandLine(args, std::cout, std::cerr);
}
