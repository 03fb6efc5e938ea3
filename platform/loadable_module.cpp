#include "platform/loadable_module.h"

#ifdef _WIN32
#include "platform/command_line.h"
#include "platform/win32.h"
#else
#include <dlfcn.h>
#endif

namespace ombrex {

std::filesystem::path SharedLibraryFileName(std::string_view name) {
#ifdef _WIN32
  return std::string(name) + ".dll";
#else
  return "lib" + std::string(name) + ".so";
#endif
}

#ifdef _WIN32

ModuleHandle OpenModule(const std::filesystem::path& path, std::string& error) {
  HMODULE module = LoadLibraryW(path.c_str());
  // As the POSIX loader says it: the file, then why.
  if (module == nullptr) error = Utf8FromPath(path) + ": error " + std::to_string(GetLastError());
  return reinterpret_cast<ModuleHandle>(module);
}

void* FindSymbol(ModuleHandle module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModule(ModuleHandle module) {
  FreeLibrary(static_cast<HMODULE>(module));
}

std::filesystem::path ModuleFileHolding(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module)) {
    return {};
  }
  // Paths may be longer than MAX_PATH; grow until the name fits.
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    if (length < name.size()) {
      name.resize(length);
      return name;
    }
    name.resize(name.size() * 2);
  }
}

#else

ModuleHandle OpenModule(const std::filesystem::path& path, std::string& error) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* message = dlerror();
    error = message != nullptr ? message : "unknown loader error";
  }
  return module;
}

void* FindSymbol(ModuleHandle module, const char* name) {
  return dlsym(module, name);
}

void CloseModule(ModuleHandle module) {
  dlclose(module);
}

std::filesystem::path ModuleFileHolding(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  // The name the module was loaded by: relative only when it was loaded
  // that way, and then relative to the current folder.
  return info.dli_fname;
}

#endif

}  // namespace ombrex
