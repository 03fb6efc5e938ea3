// The shared library's C functions: those of the process core, exported by
// the names the contract lists and nothing else.

#include "device/razizid_api.h"
#include "razizid/core.h"
#include "razizid/entry_points.h"

namespace {
using Process = ombrex::razizid::EntryPoints<&ombrex::razizid::ProcessCore>;
}  // namespace

extern "C" {

#define RAZIZID_EXPORTED(name, parameters, arguments) \
  RAZIZID_EXPORT int RAZIZID_CALL name parameters {   \
    return Process::name arguments;                   \
  }
#define RAZIZID_EXPORTED_EXTRA(name, parameters, arguments)  \
  RAZIZID_EXPORT int RAZIZID_CALL RazIzid##name parameters { \
    return Process::name arguments;                          \
  }
RAZIZID_FUNCTIONS(RAZIZID_EXPORTED)
RAZIZID_EXTRA_FUNCTIONS(RAZIZID_EXPORTED_EXTRA)
#undef RAZIZID_EXPORTED
#undef RAZIZID_EXPORTED_EXTRA

}  // extern "C"
