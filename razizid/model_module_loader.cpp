#include <array>

#include "platform/command_line.h"
#include "platform/loadable_module.h"
#include "razizid/model_module.h"

namespace ombrex::razizid {

std::filesystem::path ModelModuleFileName() {
  return SharedLibraryFileName("RazIzidModel");
}

std::unique_ptr<Backend> MakeModelBackendFromModule(std::string& error, Diagnostics& log) {
  // Any address inside this library names the file it was loaded from.
  static const char here = 0;
  const std::filesystem::path folder = ModuleFileHolding(&here).parent_path();
  const std::filesystem::path file = folder / ModelModuleFileName();
  std::string loaderError;
  ModuleHandle module = OpenModule(file, loaderError);
  if (module == nullptr) {
    error = "the model backend cannot be loaded: " + loaderError;
    return nullptr;
  }
  const auto entry = reinterpret_cast<ModelModuleEntry>(FindSymbol(module, kModelModuleEntry));
  if (entry == nullptr) {
    CloseModule(module);  // nothing of it has run yet
    error = "the model backend " + Utf8FromPath(file) + " has no " + kModelModuleEntry;
    return nullptr;
  }
  std::array<char, 512> reason{};
  std::unique_ptr<Backend> backend(
      entry(&log, reason.data(), static_cast<std::uint32_t>(reason.size())));
  if (!backend) error = reason.data();
  return backend;
}

}  // namespace ombrex::razizid
