#include "razizid/core.h"
#include "razizid/model_module.h"

namespace ombrex::razizid {

Core& ProcessCore() {
  // Never destroyed: the program never calls End, and its callbacks may still
  // be running on the library's threads while the process exits.
  static Core& core = *std::make_unique<Core>([](std::string& error, Diagnostics& log) {
                         return MakeBackendFromEnvironment(error, &MakeModelBackendFromModule, log);
                       }).release();
  return core;
}

}  // namespace ombrex::razizid
