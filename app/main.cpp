// ombrex: the keyboard configuration utility.

#include <iostream>
#include <string>
#include <vector>

#include "app/developer_options.h"
#include "app/vantrel_app.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (const auto answer = ombrex::InformationRequested(arguments, ombrex::OptionSet::Window)) {
    std::cout << *answer << std::flush;
    return 0;
  }
  return ombrex::CVantrelApp().Run(argc, argv);
}
