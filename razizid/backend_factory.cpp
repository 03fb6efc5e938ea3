#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "device/vkbd_wire.h"
#include "razizid/backend.h"
#include "razizid/hid_backend.h"
#include "razizid/model_backend.h"
#include "razizid/model_options.h"
#include "razizid/virtual_backend.h"

namespace ombrex::razizid {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::unique_ptr<Backend> MakeModelBackend(std::string& error) {
  const auto faults = ParseFaultOptions(Environment("RAZIZID_MODEL_FAULTS"));
  if (!faults) {
    error = "RAZIZID_MODEL_FAULTS is not a list of name=value faults";
    return nullptr;
  }
  auto keyboard = std::make_unique<vkbd::Keyboard>();
  const std::filesystem::path stateFile = Environment("RAZIZID_MODEL_STATE");
  if (!stateFile.empty()) {
    std::error_code ignored;
    if (std::filesystem::exists(stateFile, ignored) && !keyboard->LoadState(stateFile)) {
      std::fprintf(stderr, "RazIzid: state file %s is not usable; starting from factory state\n",
                   stateFile.string().c_str());
    }
    // Kept at the end of every transfer, when the host's changes are whole.
    vkbd::Keyboard* kept = keyboard.get();
    keyboard->SetCommitHook([kept, stateFile] {
      if (!kept->SaveState(stateFile)) {
        std::fprintf(stderr, "RazIzid: cannot write the state file %s\n",
                     stateFile.string().c_str());
      }
    });
  }
  return std::make_unique<ModelBackend>(std::move(keyboard), *faults);
}

}  // namespace

std::unique_ptr<Backend> MakeBackendFromEnvironment(std::string& error) {
  const std::string name = Environment("RAZIZID_BACKEND");
  if (name.empty() || name == "hid") return std::make_unique<HidBackend>();
  if (name == "virtual") return std::make_unique<VirtualBackend>(vkbd_wire::DefaultSocketPath());
  if (name == "model") return MakeModelBackend(error);
  error = "unknown RAZIZID_BACKEND \"" + name + "\" (hid, virtual or model)";
  return nullptr;
}

}  // namespace ombrex::razizid
