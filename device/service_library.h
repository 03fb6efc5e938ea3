#pragma once

// The binding to the HID service library: its twelve functions by name, from
// the shared library beside the program, or from a core linked into the same
// process (tests, benchmarks). A library that is missing, incomplete or does
// not start gives an error value that names the library and the reason; the
// program prints it and exits non-zero.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "device/protocol.h"
#include "device/razizid_api.h"
#include "device/session_record.h"

namespace ombrex {

class ServiceLibrary {
 public:
  ServiceLibrary() = default;  // unbound: every function pointer is null
  explicit ServiceLibrary(const RazIzidFunctions& functions,
                          std::vector<std::string> startLines = {})
      : functions_(functions), startLines_(std::move(startLines)) {}

  // True when all twelve functions are bound.
  bool Complete() const;
  const RazIzidFunctions& Functions() const { return functions_; }
  const RazIzidFunctions* operator->() const { return &functions_; }

  // Why a present keyboard could not be opened, when the library says.
  std::optional<std::string> LastOpenError() const;

  // What the library said while it started, in order (a keyboard it could
  // not open, a state file it could not use); a listener hears these first.
  const std::vector<std::string>& StartLines() const { return startLines_; }

 private:
  RazIzidFunctions functions_{};
  std::vector<std::string> startLines_;
};

// Hears a bound library for as long as it lives: what it says (its errors,
// and its detail when asked for) and, given a monitor, every report it
// passes. Calls come on the library's threads, one at a time; the destructor
// returns once none is running. A library holds one listener at a time. One
// without the functions for it (an older library) is not heard.
class LibraryListener {
 public:
  using Log = std::function<void(int level, std::string_view message)>;
  using Monitor = std::function<void(session_record::Direction, protocol::Interface,
                                     std::span<const std::uint8_t> report)>;

  LibraryListener(const ServiceLibrary& library, Log log, Monitor monitor = {},
                  bool detail = false);
  ~LibraryListener();
  LibraryListener(const LibraryListener&) = delete;
  LibraryListener& operator=(const LibraryListener&) = delete;

  bool Hears() const { return hears_; }
  bool Monitors() const { return monitors_; }

 private:
  static void RAZIZID_CALL OnLog(void* context, int level, const char* message);
  static void RAZIZID_CALL OnReport(void* context, std::uint32_t direction, std::uint16_t usagePage,
                                    std::uint16_t usage, const std::uint8_t* data,
                                    std::uint32_t length);

  RazIzidFunctions functions_;
  Log log_;
  Monitor monitor_;
  bool hears_ = false;
  bool monitors_ = false;
  std::optional<int> previousLevel_;
};

struct ServiceLibraryError {
  enum class Reason { NotLoadable, MissingFunction, InitRefused };
  Reason reason;
  std::filesystem::path library;
  // The loader's message, the missing function's name, or Init's result
  // with what the library said about its refusal.
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
