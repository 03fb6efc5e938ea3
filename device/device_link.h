#pragma once

// The program's one link to the keyboard: the bound service library, the
// transaction engine, the default key table and the command set, with the
// event callback that the library calls. Replies ('CTRL' data) go straight to
// the transaction engine; every other event goes to the event sink, which the
// event dispatch sets (device arrival and removal, consumer events, ...).

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <span>

#include "device/app_state.h"
#include "device/callback_slot.h"
#include "device/command_set.h"
#include "device/default_key_table.h"
#include "device/protocol.h"
#include "device/service_library.h"
#include "device/transactor.h"

namespace ombrex {

// One event record as the library gave it; `data` is valid during the call.
struct DeviceEvent {
  std::uint32_t kind = RAZIZID_EVENT_DATA;
  std::uint32_t tag = 0;
  std::uint32_t count = 0;
  std::uint32_t unitId = 0;
  std::span<const std::uint8_t> data;
};

// Runs on the library's callback threads, one thread per standing request.
using DeviceEventSink = std::function<void(const DeviceEvent&)>;

class DeviceLink final : private EventReceiver {
 public:
  DeviceLink(ServiceLibrary library, AppState& state, LinkTiming timing = {});
  // Cancels every request the link made; no callback runs into it afterwards.
  ~DeviceLink();
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // The standing read that brings command replies (and device-count changes).
  int RegisterReplyRead();

  // Replaces the receiver of every event that is not a command reply. May be
  // called while events arrive; an empty sink drops them.
  void SetEventSink(DeviceEventSink sink);

  // A standing read on another keyboard interface through the link's
  // callback. Cancels the request `unitId` names first and stores the new id
  // there (0 when the library refused).
  int StartRead(protocol::Interface hidInterface, std::uint32_t tag, std::uint32_t& unitId);
  // A short report written to the keyboard, as a request of the link's
  // callback, replacing the one `unitId` names.
  int WriteStatus(protocol::Interface hidInterface, std::uint32_t tag,
                  std::span<const std::uint8_t> data, std::uint32_t& unitId);
  // Cancels one request; `unitId` becomes 0.
  void CancelRequest(std::uint32_t& unitId);

  // Attached keyboards, as the library counts them.
  int DeviceCount() const { return transactor_.IsKeyboardPresent(); }

  RazIzidCallback EventCallback() const { return callbackSlot_.Function(); }
  const ServiceLibrary& Library() const { return library_; }
  Transactor& Transactions() { return transactor_; }
  CommandSet& Commands() { return commands_; }
  DefaultKeyTable& DefaultTable() { return defaultTable_; }
  AppState& State() { return state_; }

 private:
  void OnLibraryEvent(const RazIzidEvent& event) override;
  bool Usable() const;
  void Remember(std::uint32_t unitId);
  void Forget(std::uint32_t unitId);

  const ServiceLibrary library_;
  AppState& state_;
  DefaultKeyTable defaultTable_;
  Transactor transactor_;
  CommandSet commands_;
  CallbackSlot callbackSlot_;

  std::mutex sinkMutex_;
  std::shared_ptr<const DeviceEventSink> sink_;

  std::mutex unitsMutex_;
  std::set<std::uint32_t> units_;  // requests besides the reply read
};

}  // namespace ombrex
