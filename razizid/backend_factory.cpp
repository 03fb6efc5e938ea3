#include <cstdlib>
#include <string>

#include "device/vkbd_wire.h"
#include "razizid/backend.h"
#include "razizid/hid_backend.h"
#include "razizid/virtual_backend.h"

namespace ombrex::razizid {

std::unique_ptr<Backend> MakeBackendFromEnvironment(std::string& error, ModelBackendMaker makeModel,
                                                    Diagnostics& log) {
  const char* value = std::getenv("RAZIZID_BACKEND");
  const std::string name = value != nullptr ? value : "";
  if (name.empty() || name == "hid") return std::make_unique<HidBackend>();
  if (name == "virtual") return std::make_unique<VirtualBackend>(vkbd_wire::DefaultSocketPath());
  if (name == "model") return makeModel(error, log);
  error = "unknown RAZIZID_BACKEND \"" + name + "\" (hid, virtual or model)";
  return nullptr;
}

}  // namespace ombrex::razizid
