// ombrexctl: the keyboard from the command line. See ctl_commands.h.

#include <iostream>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "tools/ombrexctl/ctl_commands.h"

int main(int argc, char** argv) {
  ombrex::UseUtf8Console();
  return ombrex::ctl::RunCtl(ombrex::Utf8Arguments(argc, argv), std::cout, std::cerr);
}
