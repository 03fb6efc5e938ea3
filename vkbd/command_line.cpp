#include "vkbd/command_line.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <map>

#include "vkbd/hex.h"
#include "vkbd/wire_client.h"

namespace ombrex::vkbd {

namespace {

using vkbd_wire::Memory;
using vkbd_wire::Type;

constexpr auto kReplyTimeout = std::chrono::seconds(10);

std::optional<std::uint64_t> ParseUnsigned(const std::string& text, std::uint64_t max) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value > max) return std::nullopt;
  return value;
}

std::optional<double> ParseFraction(const std::string& text) {
  char* stop = nullptr;
  const double value = std::strtod(text.c_str(), &stop);
  if (text.empty() || stop != text.c_str() + text.size() || !(value >= 0.0 && value <= 1.0)) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::uint16_t> ParseEventCode(std::string text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.erase(0, 2);
  std::uint32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
  if (text.empty() || error != std::errc() || stop != end || value > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

// One option that takes a value: applies it, or says why it cannot.
using ServeSetter = std::function<bool(ServeOptions&, const std::string&)>;

ServeSetter SetFault(std::uint64_t FaultOptions::*field) {
  return [field](ServeOptions& o, const std::string& v) {
    const auto value = ParseUnsigned(v, UINT64_MAX);
    if (value) o.faults.*field = *value;
    return value.has_value();
  };
}

ServeSetter SetRate(double FaultOptions::*field) {
  return [field](ServeOptions& o, const std::string& v) {
    const auto value = ParseFraction(v);
    if (value) o.faults.*field = *value;
    return value.has_value();
  };
}

const std::map<std::string, ServeSetter>& ServeSetters() {
  static const std::map<std::string, ServeSetter> setters = {
      {"--state",
       [](ServeOptions& o, const std::string& v) {
         o.stateFile = v;
         return !v.empty();
       }},
      {"--trace",
       [](ServeOptions& o, const std::string& v) {
         o.traceFile = v;
         return !v.empty();
       }},
      {"--replay",
       [](ServeOptions& o, const std::string& v) {
         o.replayFile = v;
         return !v.empty();
       }},
      {"--latency-ms",
       [](ServeOptions& o, const std::string& v) {
         const auto value = ParseUnsigned(v, 600'000);
         if (value) o.faults.latencyMs = static_cast<unsigned>(*value);
         return value.has_value();
       }},
      {"--seed", SetFault(&FaultOptions::seed)},
      {"--drop", SetRate(&FaultOptions::dropRate)},
      {"--refuse", SetRate(&FaultOptions::refuseRate)},
      {"--wrong-code", SetRate(&FaultOptions::wrongCodeRate)},
      {"--unplug-after", SetFault(&FaultOptions::unplugAfter)},
      {"--lose-writes", SetRate(&FaultOptions::loseWriteRate)},
      {"--macro-units",
       [](ServeOptions& o, const std::string& v) {
         const auto value = ParseUnsigned(v, 255);
         if (value) o.factory.macroCapacityUnits = static_cast<std::uint8_t>(*value);
         return value.has_value();
       }},
      {"--active-profile",
       [](ServeOptions& o, const std::string& v) {
         const auto value = ParseUnsigned(v, protocol::kProfileCount - 1);
         if (value) o.factory.activeProfile = static_cast<std::uint8_t>(*value);
         return value.has_value();
       }},
      {"--default-keytable",
       [](ServeOptions& o, const std::string& v) {
         const auto bytes = ParseHexBytes(v);
         if (!bytes || bytes->size() != protocol::kKeyTableSize) return false;
         std::copy(bytes->begin(), bytes->end(), o.factory.defaultKeyTable.begin());
         return true;
       }},
  };
  return setters;
}

std::optional<ControlRequest> DumpRequest(const std::vector<std::string>& words,
                                          std::string& error) {
  static const std::map<std::string, Memory> memories = {
      {"status", Memory::Status},     {"settings", Memory::Settings},
      {"keytable", Memory::KeyTable}, {"macro", Memory::Macro},
      {"colours", Memory::Colours},   {"default-keytable", Memory::DefaultKeyTable},
      {"bankled", Memory::BankLed},
  };
  const auto found = words.empty() ? memories.end() : memories.find(words[0]);
  if (found == memories.end()) {
    error =
        "dump needs a memory: status, settings, keytable P, macro, colours, "
        "default-keytable or bankled";
    return std::nullopt;
  }
  const bool needsProfile = found->second == Memory::KeyTable;
  std::optional<std::uint64_t> profile = 0;
  if (needsProfile) profile = words.size() == 2 ? ParseUnsigned(words[1], 3) : std::nullopt;
  if (!profile || words.size() != (needsProfile ? 2u : 1u)) {
    error = needsProfile ? "dump keytable needs a profile 0..3" : "too many arguments to dump";
    return std::nullopt;
  }
  return ControlRequest{Type::Dump, {std::uint8_t(found->second), std::uint8_t(*profile)}};
}

std::optional<ControlRequest> ControlRequestFor(const std::string& command,
                                                const std::vector<std::string>& words,
                                                std::string& error) {
  static const std::map<std::string, Type> simple = {
      {"plug", Type::Plug},         {"unplug", Type::Unplug},
      {"reset", Type::Reset},       {"count", Type::GetDeviceCount},
      {"shutdown", Type::Shutdown},
  };
  if (const auto found = simple.find(command); found != simple.end()) {
    if (!words.empty()) {
      error = command + " takes no arguments";
      return std::nullopt;
    }
    return ControlRequest{found->second, {}};
  }
  if (command == "event") {
    const auto code = words.size() == 1 ? ParseEventCode(words[0]) : std::nullopt;
    if (!code) {
      error = "event needs one hex code, for example 0x02FF";
      return std::nullopt;
    }
    return ControlRequest{Type::Event, {std::uint8_t(*code), std::uint8_t(*code >> 8)}};
  }
  if (command == "dump") return DumpRequest(words, error);
  error = "unknown command: " + command;
  return std::nullopt;
}

int RunControl(const Invocation& invocation, std::ostream& out, std::ostream& err) {
  auto client = WireClient::Connect(invocation.socketPath);
  if (!client || !client->Hello(vkbd_wire::Role::Control, kReplyTimeout)) {
    err << "ombrex-vkbd: no daemon answers on " << invocation.socketPath << "\n";
    return kExitNoDaemon;
  }
  const ControlRequest& request = invocation.request;
  const auto reply = client->Call(request.type, request.payload, kReplyTimeout);
  if (!reply) {
    err << "ombrex-vkbd: the daemon did not answer\n";
    return kExitNoDaemon;
  }
  switch (reply->type) {
    case Type::Data:
      out << (invocation.raw ? HexString(reply->payload) + "\n" : HexDump(reply->payload));
      return kExitOk;
    case Type::Count:
      out << vkbd_wire::GetU32(reply->payload, 0) << "\n";
      return kExitOk;
    case Type::Ack:
      if (vkbd_wire::GetU32(reply->payload, 0) == 1) return kExitOk;
      break;
    default:
      break;
  }
  err << "ombrex-vkbd: the daemon refused the request\n";
  return kExitRefused;
}

}  // namespace

std::string UsageText() {
  return "usage: ombrex-vkbd serve [options]     run the virtual keyboard\n"
         "       ombrex-vkbd COMMAND [--socket PATH]\n"
         "       ombrex-vkbd --help | --version\n"
         "\n"
         "serve options:\n"
         "  --socket PATH          where to listen\n"
         "  --state FILE           load the memories at start, save them at every\n"
         "                         end of transfer, reset and profile or reset event\n"
         "  --trace FILE           append each received command packet as one line\n"
         "                         of 128 hex digits\n"
         "  --replay FILE          answer from a recorded session (ombrexctl --record,\n"
         "                         ombrex --record): each report the host sends gets\n"
         "                         what the keyboard sent after it then\n"
         "  --latency-ms N         delay every reply by N ms\n"
         "  --seed N               seed of the faults below (default 1)\n"
         "  --drop P               fraction 0..1 of replies never sent\n"
         "  --refuse P             fraction 0..1 of replies with status 0xFF or 0xFE\n"
         "  --wrong-code P         fraction 0..1 of replies with another command code\n"
         "  --unplug-after N       unplug on the Nth command packet (no reply to it)\n"
         "  --lose-writes P        fraction 0..1 of writes answered as taken but not kept\n"
         "  --macro-units N        macro memory size in 128-byte units, 0..255 (255)\n"
         "  --default-keytable HEX the factory key table, 192 bytes in hex\n"
         "  --active-profile P     the active profile out of the factory, 0..3 (0)\n"
         "  --unplugged            start unplugged\n"
         "\n"
         "commands:\n"
         "  plug, unplug           attach or remove the keyboard\n"
         "  event CODE             raise a keyboard event, e.g. 0x02FF bank key,\n"
         "                         0x0401 next profile, 0x0403 reset, 0x1810/0x1811\n"
         "  reset                  restore the factory memories without an event\n"
         "  count                  print the number of attached keyboards (0 or 1)\n"
         "  dump MEMORY [--raw]    print a memory: status, settings, keytable P, macro,\n"
         "                         colours, default-keytable, bankled; 16 bytes a line\n"
         "                         after the offset, or one line of hex with --raw\n"
         "  shutdown               stop the daemon\n"
         "\n"
         "The socket is --socket, else $OMBREX_VKBD_SOCKET, else\n"
         "$XDG_RUNTIME_DIR/ombrex-vkbd.sock, else /tmp/ombrex-vkbd-UID.sock.\n"
         "Exit codes: 0 done, 1 refused (or serve could not start), 2 usage error,\n"
         "3 no daemon answers.\n";
}

std::optional<Invocation> ParseCommandLine(std::span<const std::string> args, std::string& error) {
  if (args.empty()) {
    error = "no command given";
    return std::nullopt;
  }
  Invocation invocation;
  const std::string& command = args[0];
  if (command == "help" || command == "--help" || command == "-h") return invocation;
  const bool serve = command == "serve";
  std::vector<std::string> words;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto setter = ServeSetters().find(arg);
    const bool takesValue = arg == "--socket" || (serve && setter != ServeSetters().end());
    if (takesValue && i + 1 >= args.size()) {
      error = arg + " needs a value";
      return std::nullopt;
    }
    if (arg == "--socket") {
      invocation.socketPath = args[++i];
    } else if (takesValue) {
      if (!setter->second(invocation.serve, args[++i])) {
        error = "bad value for " + arg + ": " + args[i];
        return std::nullopt;
      }
    } else if (serve && arg == "--unplugged") {
      invocation.serve.startPlugged = false;
    } else if (command == "dump" && arg == "--raw") {
      invocation.raw = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option for " + command + ": " + arg;
      return std::nullopt;
    } else {
      words.push_back(arg);
    }
  }
  if (invocation.socketPath.empty()) invocation.socketPath = vkbd_wire::DefaultSocketPath();
  if (serve) {
    if (!words.empty()) {
      error = "serve takes no arguments besides its options: " + words[0];
      return std::nullopt;
    }
    invocation.kind = Invocation::Kind::Serve;
    invocation.serve.socketPath = invocation.socketPath;
    return invocation;
  }
  auto request = ControlRequestFor(command, words, error);
  if (!request) return std::nullopt;
  invocation.kind = Invocation::Kind::Control;
  invocation.request = std::move(*request);
  return invocation;
}

int RunCommandLine(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
  std::string error;
  const std::optional<Invocation> invocation = ParseCommandLine(args, error);
  if (!invocation) {
    err << "ombrex-vkbd: " << error << " (ombrex-vkbd help shows the usage)\n";
    return kExitUsage;
  }
  switch (invocation->kind) {
    case Invocation::Kind::Help:
      out << UsageText();
      return kExitOk;
    case Invocation::Kind::Serve:
      return Serve(invocation->serve, err);
    case Invocation::Kind::Control:
      return RunControl(*invocation, out, err);
  }
  return kExitUsage;
}

}  // namespace ombrex::vkbd
