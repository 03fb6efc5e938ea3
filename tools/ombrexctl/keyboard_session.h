#pragma once

// The keyboard as the command-line tool reaches it: the service library from
// the program folder, the device link, and the reads the program makes when a
// keyboard arrives (its factory key table and its status block).

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "device/app_state.h"
#include "device/command_set.h"
#include "device/device_link.h"
#include "device/service_library.h"
#include "device/session_recorder.h"

namespace ombrex::ctl {

// Exit codes the tool's users rely on.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoKeyboard = 3;

// What the tool keeps of its talk with the keyboard.
struct Listening {
  // -v: the library's diagnostics on the error stream, from its threads too
  // (std::cerr takes that).
  bool verbose = false;
  // --record FILE: every report sent and received, as a recorded session.
  std::filesystem::path record;
};

// What the tool says when another program of ours keeps the keyboard.
inline constexpr std::string_view kKeyboardBusyMessage =
    "another Ombrex program is using the keyboard";

class KeyboardSession {
 public:
  // The library and link, with the keyboard held for the whole command, so
  // that what the tool reads and writes is one piece; nullopt with a message
  // on `err` and the exit code in `exitCode` when the library does not start
  // or the recording cannot be made (1), another program of ours keeps the
  // keyboard for longer than the tool waits (1), or no keyboard can be used
  // (3, also when one is present but cannot be opened). When the hold ends
  // after the tool changed the keyboard, the running program hears of it and
  // reads the keyboard again.
  static std::unique_ptr<KeyboardSession> Open(std::ostream& err, int& exitCode,
                                               std::chrono::milliseconds patience,
                                               const Listening& listening = {});
  KeyboardSession() = default;
  ~KeyboardSession();

  int Count() { return link_->DeviceCount(); }
  CommandSet& Commands() { return link_->Commands(); }
  AppState& State() { return state_; }
  DeviceLink& Link() { return *link_; }
  // Why a keyboard that is present cannot be opened, when the library says.
  std::optional<std::string> OpenError() const { return link_->Library().LastOpenError(); }
  // The reads of an arrival; false when the status block cannot be read.
  bool ReadArrival();

 private:
  AppState state_;
  std::unique_ptr<DeviceLink> link_;
  std::unique_ptr<SessionRecorder> recorder_;
  std::mutex errMutex_;
  std::unique_ptr<LibraryListener> listener_;  // goes before what it writes to
  std::ostream* err_ = nullptr;
  std::filesystem::path record_;
  // Let go before the link goes.
  std::optional<CommandSet::Hold> hold_;
};

}  // namespace ombrex::ctl
