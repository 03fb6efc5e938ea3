#pragma once

// A device link wired to a virtual keyboard in the test's own process, through
// the service library's real core (requests, callback threads, verification)
// with the in-process model backend: no daemon, no socket, no shared library.
//
//   ombrex::test::VirtualKeyboardRig rig;            // plugged in, link ready
//   rig.Commands().ReadKeyTable(table, 0);
//   rig.Keyboard().Snapshot().keyTables;             // what the keyboard holds
//
//   RigOptions options;
//   options.faults.dropRate = 1;                      // every reply lost
//   options.shortTimeouts = true;                     // give up in ms, not s
//   VirtualKeyboardRig faulty(options);
//
// Everything is made fresh per rig; the reply read is registered when the
// constructor returns (Ready() says whether that worked). Events other than
// command replies go to the link's event sink: set it with
// Link().SetEventSink(...). Members are destroyed link first, then the
// library core (joining its threads), then the keyboard.

#include <cstdint>
#include <optional>

#include "device/app_state.h"
#include "device/command_set.h"
#include "device/default_key_table.h"
#include "device/device_link.h"
#include "razizid/in_process.h"
#include "vkbd/keyboard.h"

namespace ombrex::test {

struct RigOptions {
  vkbd::FactoryConfig factory{};
  vkbd::FaultOptions faults{};
  bool plugged = true;
  // Reply time-out of 40 ms and no retry or end-transfer pauses, for tests of
  // lost or refused replies; the keyboard's own timing otherwise.
  bool shortTimeouts = false;
};

class VirtualKeyboardRig {
 public:
  explicit VirtualKeyboardRig(RigOptions options = {});
  ~VirtualKeyboardRig();
  VirtualKeyboardRig(const VirtualKeyboardRig&) = delete;
  VirtualKeyboardRig& operator=(const VirtualKeyboardRig&) = delete;

  // The library bound and started, and the reply read registered.
  bool Ready() const { return ready_; }

  vkbd::Keyboard& Keyboard() { return keyboard_; }
  DeviceLink& Link() { return *link_; }
  CommandSet& Commands() { return link_->Commands(); }
  AppState& State() { return state_; }
  DefaultKeyTable& DefaultTable() { return link_->DefaultTable(); }
  razizid::InProcessLibrary& Library() { return library_; }

  // The keyboard comes and goes; the library reports it as a device-count
  // event on every standing request.
  void Plug();
  void Unplug();
  // The keyboard raises a consumer event (bank key, profile change, ...).
  bool RaiseEvent(std::uint16_t code);

 private:
  vkbd::Keyboard keyboard_;
  AppState state_;
  razizid::InProcessLibrary library_;
  std::optional<DeviceLink> link_;
  bool ready_ = false;
};

}  // namespace ombrex::test
