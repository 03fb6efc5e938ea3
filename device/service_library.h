#pragma once

// The binding to the HID service library: its twelve functions by name, from
// the shared library beside the program, or from a core linked into the same
// process (tests, benchmarks). A library that is missing, incomplete or does
// not start gives an error value that names the library and the reason; the
// program prints it and exits non-zero.

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

#include "device/razizid_api.h"

namespace ombrex {

class ServiceLibrary {
 public:
  ServiceLibrary() = default;  // unbound: every function pointer is null
  explicit ServiceLibrary(const RazIzidFunctions& functions) : functions_(functions) {}

  // True when all twelve functions are bound.
  bool Complete() const;
  const RazIzidFunctions& Functions() const { return functions_; }
  const RazIzidFunctions* operator->() const { return &functions_; }

  // Why a present keyboard could not be opened, when the library says.
  std::optional<std::string> LastOpenError() const;

 private:
  RazIzidFunctions functions_{};
};

struct ServiceLibraryError {
  enum class Reason { NotLoadable, MissingFunction, InitRefused };
  Reason reason;
  std::filesystem::path library;
  // The loader's message, the missing function's name, or Init's result.
  std::string detail;

  // One line for stderr, for example "RazIzid service library
  // /opt/ombrex/libRazIzid.so: missing function RequestWriteOne".
  std::u16string Text() const;
};

using ServiceLibraryResult = std::variant<ServiceLibrary, ServiceLibraryError>;

// "libRazIzid.so" here, "RazIzid.dll" on Windows.
std::filesystem::path ServiceLibraryFileName();

// Loads the library at `path`, binds the twelve functions in their documented
// order (the optional open-error query too), then calls Init. The library is
// never unloaded once it has started: its threads live until the process
// ends.
ServiceLibraryResult LoadServiceLibrary(const std::filesystem::path& path);

// Binds a table that is already in the process (a statically linked core) and
// calls its Init, with the same checks as LoadServiceLibrary.
ServiceLibraryResult BindServiceLibrary(const RazIzidFunctions& functions,
                                        const std::filesystem::path& name = "RazIzid (in process)");

}  // namespace ombrex
