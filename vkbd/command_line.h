#pragma once

// The ombrex-vkbd command line: `serve` runs the daemon, the other commands
// talk to a running one.
//
// Exit codes: 0 done, 1 the daemon refused (or `serve` could not start),
// 2 usage error, 3 no daemon answers.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "device/vkbd_wire.h"
#include "vkbd/keyboard.h"

namespace ombrex::vkbd {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoDaemon = 3;

struct ServeOptions {
  std::string socketPath;
  std::filesystem::path stateFile;   // empty: not persisted
  std::filesystem::path traceFile;   // empty: no trace
  std::filesystem::path replayFile;  // empty: the keyboard model answers
  FaultOptions faults;
  FactoryConfig factory;
  bool startPlugged = true;
};

// What one control command sends: a request type and its payload.
struct ControlRequest {
  vkbd_wire::Type type{};
  std::vector<std::uint8_t> payload;
};

struct Invocation {
  enum class Kind { Serve, Control, Help };
  Kind kind = Kind::Help;
  std::string socketPath;  // from --socket, else the default path
  ServeOptions serve;
  ControlRequest request;
  bool raw = false;  // dump on one line
};

// nullopt with a message in `error` for a usage error.
std::optional<Invocation> ParseCommandLine(std::span<const std::string> args, std::string& error);

int RunCommandLine(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// Runs the daemon until SIGTERM, SIGINT or a shutdown request (daemon.cpp).
int Serve(const ServeOptions& options, std::ostream& err);

std::string UsageText();

}  // namespace ombrex::vkbd
