#pragma once

// The in-process keyboard model is a module of its own beside the service
// library (libRazIzidModel.so, RazIzidModel.dll): a program that loads the
// library for a real keyboard maps no simulator. The library opens the module
// only when RAZIZID_BACKEND=model asks for it, and never closes it again (the
// backend it made runs threads of the module's code until the process ends).
//
// Both are built together by one toolchain, so the module hands over a C++
// Backend; but no exception crosses between them, either way.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "razizid/backend.h"

namespace ombrex::razizid {

// The module's one export: the model set up from the environment, as
// MakeModelBackendFromEnvironment (saying what it has to say through `log`,
// which outlives the model), or null with at most `capacity` bytes of the
// reason (NUL included) in `error`. The caller owns what it returns.
using ModelModuleEntry = Backend* (*)(Diagnostics* log, char* error,
                                      std::uint32_t capacity) noexcept;
inline constexpr char kModelModuleEntry[] = "RazIzidMakeModelBackend";

// "libRazIzidModel.so" here, "RazIzidModel.dll" on Windows.
std::filesystem::path ModelModuleFileName();

// The library's way to the model (a ModelBackendMaker): from the module in
// the library's own folder.
std::unique_ptr<Backend> MakeModelBackendFromModule(std::string& error, Diagnostics& log);

}  // namespace ombrex::razizid
