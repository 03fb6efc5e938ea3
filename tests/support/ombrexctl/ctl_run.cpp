#include "tests/support/ombrexctl/ctl_run.h"

#include <sstream>

#include "tools/ombrexctl/ctl_commands.h"

namespace ombrex::ctl::test {

CtlRun Ctl(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  CtlRun run;
  run.exitCode = RunCtl(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

}  // namespace ombrex::ctl::test
