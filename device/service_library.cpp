#include "device/service_library.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>

#include "platform/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace ombrex {

namespace {

// The order the functions are bound in; every one must be present.
constexpr std::array<std::string_view, 12> kFunctionNames = {"Debug",
                                                             "Init",
                                                             "End",
                                                             "RequestGetDeviceCount",
                                                             "DeleteRequestFromUnitId",
                                                             "DeleteRequestFromHandle",
                                                             "RequestWrite",
                                                             "RequestWriteOne",
                                                             "RequestStatusWrite",
                                                             "RequestStatusGet",
                                                             "RequestAsyncRead",
                                                             "RequestStatusSetFeature"};

#ifdef _WIN32
using ModuleHandle = HMODULE;
ModuleHandle OpenModule(const std::filesystem::path& path, std::string& error) {
  HMODULE module = LoadLibraryW(path.c_str());
  if (module == nullptr) error = "error " + std::to_string(GetLastError());
  return module;
}
void* FindSymbol(ModuleHandle module, std::string_view name) {
  return reinterpret_cast<void*>(GetProcAddress(module, std::string(name).c_str()));
}
void CloseModule(ModuleHandle module) {
  FreeLibrary(module);
}
#else
using ModuleHandle = void*;
ModuleHandle OpenModule(const std::filesystem::path& path, std::string& error) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* message = dlerror();
    error = message != nullptr ? message : "unknown loader error";
  }
  return module;
}
void* FindSymbol(ModuleHandle module, std::string_view name) {
  return dlsym(module, std::string(name).c_str());
}
void CloseModule(ModuleHandle module) {
  dlclose(module);
}
#endif

template <typename Function>
void Assign(Function& slot, void* symbol) {
  slot = reinterpret_cast<Function>(symbol);
}

// Puts a symbol into its place of the table by its index in kFunctionNames.
void Place(RazIzidFunctions& table, std::size_t index, void* symbol) {
  switch (index) {
    case 0:
      Assign(table.Debug, symbol);
      break;
    case 1:
      Assign(table.Init, symbol);
      break;
    case 2:
      Assign(table.End, symbol);
      break;
    case 3:
      Assign(table.RequestGetDeviceCount, symbol);
      break;
    case 4:
      Assign(table.DeleteRequestFromUnitId, symbol);
      break;
    case 5:
      Assign(table.DeleteRequestFromHandle, symbol);
      break;
    case 6:
      Assign(table.RequestWrite, symbol);
      break;
    case 7:
      Assign(table.RequestWriteOne, symbol);
      break;
    case 8:
      Assign(table.RequestStatusWrite, symbol);
      break;
    case 9:
      Assign(table.RequestStatusGet, symbol);
      break;
    case 10:
      Assign(table.RequestAsyncRead, symbol);
      break;
    case 11:
      Assign(table.RequestStatusSetFeature, symbol);
      break;
    default:
      break;
  }
}

std::optional<std::string_view> FirstMissing(const RazIzidFunctions& table) {
  const std::array<bool, 12> present = {table.Debug != nullptr,
                                        table.Init != nullptr,
                                        table.End != nullptr,
                                        table.RequestGetDeviceCount != nullptr,
                                        table.DeleteRequestFromUnitId != nullptr,
                                        table.DeleteRequestFromHandle != nullptr,
                                        table.RequestWrite != nullptr,
                                        table.RequestWriteOne != nullptr,
                                        table.RequestStatusWrite != nullptr,
                                        table.RequestStatusGet != nullptr,
                                        table.RequestAsyncRead != nullptr,
                                        table.RequestStatusSetFeature != nullptr};
  for (std::size_t i = 0; i < present.size(); ++i) {
    if (!present[i]) return kFunctionNames[i];
  }
  return std::nullopt;
}

}  // namespace

bool ServiceLibrary::Complete() const {
  return !FirstMissing(functions_).has_value();
}

std::optional<std::string> ServiceLibrary::LastOpenError() const {
  if (functions_.LastOpenError == nullptr) return std::nullopt;
  std::string text(512, '\0');
  const int length = functions_.LastOpenError(text.data(), static_cast<std::uint32_t>(text.size()));
  if (length <= 0) return std::nullopt;
  text.resize(std::min<std::size_t>(static_cast<std::size_t>(length), text.size() - 1));
  return text;
}

std::u16string ServiceLibraryError::Text() const {
  std::string reasonText;
  switch (reason) {
    case Reason::NotLoadable:
      reasonText = "cannot be loaded: " + detail;
      break;
    case Reason::MissingFunction:
      reasonText = "missing function " + detail;
      break;
    case Reason::InitRefused:
      reasonText = "refused to start (Init returned " + detail + ")";
      break;
  }
  return Utf16FromUtf8("RazIzid service library " + library.string() + ": " + reasonText);
}

std::filesystem::path ServiceLibraryFileName() {
#ifdef _WIN32
  return "RazIzid.dll";
#else
  return "libRazIzid.so";
#endif
}

ServiceLibraryResult BindServiceLibrary(const RazIzidFunctions& functions,
                                        const std::filesystem::path& name) {
  if (auto missing = FirstMissing(functions)) {
    return ServiceLibraryError{ServiceLibraryError::Reason::MissingFunction, name,
                               std::string(*missing)};
  }
  if (const int started = functions.Init(0); started <= 0) {
    return ServiceLibraryError{ServiceLibraryError::Reason::InitRefused, name,
                               std::to_string(started)};
  }
  return ServiceLibrary(functions);
}

ServiceLibraryResult LoadServiceLibrary(const std::filesystem::path& path) {
  std::string loaderError;
  ModuleHandle module = OpenModule(path, loaderError);
  if (module == nullptr) {
    return ServiceLibraryError{ServiceLibraryError::Reason::NotLoadable, path, loaderError};
  }
  RazIzidFunctions table{};
  for (std::size_t i = 0; i < kFunctionNames.size(); ++i) {
    void* symbol = FindSymbol(module, kFunctionNames[i]);
    if (symbol == nullptr) {
      CloseModule(module);  // nothing of it has run yet
      return ServiceLibraryError{ServiceLibraryError::Reason::MissingFunction, path,
                                 std::string(kFunctionNames[i])};
    }
    Place(table, i, symbol);
  }
  Assign(table.LastOpenError, FindSymbol(module, "RazIzidLastOpenError"));
  // Kept loaded even when Init refuses: it may have started threads before
  // deciding, and the process ends soon after anyway.
  return BindServiceLibrary(table, path);
}

}  // namespace ombrex
