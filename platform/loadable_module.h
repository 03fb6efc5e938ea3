#pragma once

// Shared libraries opened at run time (dlopen, LoadLibrary): the service
// library the program binds by name, and the modules that library loads only
// when asked to.

#include <filesystem>
#include <string>
#include <string_view>

namespace ombrex {

using ModuleHandle = void*;

// The file name the system gives the library `name`: "libname.so" here,
// "name.dll" on Windows.
std::filesystem::path SharedLibraryFileName(std::string_view name);

// Null, with the loader's message in `error`, when the file cannot be loaded.
ModuleHandle OpenModule(const std::filesystem::path& path, std::string& error);
// Null when the module has no such symbol.
void* FindSymbol(ModuleHandle module, const char* name);
// Only for a module none of whose code has run: once it has, its threads
// and the objects it made may outlive any handle, so it stays loaded.
void CloseModule(ModuleHandle module);

// The file of the loaded module (executable or library) that holds
// `address`; empty when the system cannot say.
std::filesystem::path ModuleFileHolding(const void* address);

}  // namespace ombrex
