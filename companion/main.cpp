// The companion program. The program starts it hidden at every start and
// never waits for it or stops it; it has nothing to do for this keyboard, so
// it ends at once, successfully, whatever it is given. Only a person asking
// it what it is gets an answer.

#include <cstdio>
#include <cstring>

#include "ombrex_version.h"

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::puts(
        "usage: ZaRezavu [--help | --version]\n"
        "The Ombrex keyboard utility's companion program. The utility starts it at\n"
        "every start; it has nothing to do for this keyboard and ends at once.\n"
        "Exit codes: 0 always.");
  } else if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::puts("ZaRezavu " OMBREX_VERSION);
  }
  return 0;
}
