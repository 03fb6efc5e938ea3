#pragma once

// Where the library's reports come from and go to. A backend knows attached
// keyboards and their three interfaces; the core above it keeps the requests
// and calls the callbacks.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "device/protocol.h"
#include "device/razizid_api.h"
#include "razizid/diagnostics.h"

namespace ombrex::razizid {

// Attached keyboards that offer each interface.
struct DeviceCounts {
  int control = 0;
  int consumer = 0;
  int bankLed = 0;

  static DeviceCounts All(int keyboards) { return {keyboards, keyboards, keyboards}; }
  int Of(protocol::Interface hidInterface) const {
    if (hidInterface == protocol::kControl) return control;
    if (hidInterface == protocol::kConsumer) return consumer;
    if (hidInterface == protocol::kBankLed) return bankLed;
    return 0;
  }
  friend bool operator==(const DeviceCounts&, const DeviceCounts&) = default;
};

// A backend calls these from its own threads (or from inside Write), never
// while holding a lock that its other members take; that holds for what it
// says through Diagnostics too.
class BackendSink : public Diagnostics {
 public:
  virtual void OnReport(protocol::Interface from, std::span<const std::uint8_t> report) = 0;
  virtual void OnDevicesChanged(const DeviceCounts& counts) = 0;
  // A sink that does not pass them on hears nothing.
  void Say(int, std::string_view) noexcept override {}
  bool WantsDetail() const noexcept override { return false; }

 protected:
  ~BackendSink() = default;
};

class Backend {
 public:
  virtual ~Backend() = default;

  // Counts are current when Start returns. False: the backend cannot run.
  virtual bool Start(BackendSink& sink) = 0;
  // No sink call happens after Stop returns. Start may follow.
  virtual void Stop() = 0;

  virtual DeviceCounts Counts() = 0;
  // One output report, report id first, to the first keyboard offering the
  // interface or to every one. Bytes written, or a RAZIZID_ result below 1.
  virtual int Write(protocol::Interface to, std::span<const std::uint8_t> report, bool toEvery) = 0;
  virtual int GetFeature(protocol::Interface, std::span<std::uint8_t>) {
    return RAZIZID_UNSUPPORTED;
  }
  virtual int SetFeature(protocol::Interface, std::span<const std::uint8_t>) {
    return RAZIZID_UNSUPPORTED;
  }
  // Why a keyboard that is there could not be opened; empty when none failed.
  virtual std::string LastOpenError() { return {}; }
};

// Makes the in-process keyboard model, or null with `error` set. The shared
// library loads it from the model module; a core linked together with the
// model makes it directly.
using ModelBackendMaker = std::unique_ptr<Backend> (*)(std::string& error, Diagnostics& log);

// The backend RAZIZID_BACKEND names ("hid" when unset; "model" from
// `makeModel`). Null, with `error` set, for an unknown name or a backend this
// build does not have.
// `log` outlives the backend.
std::unique_ptr<Backend> MakeBackendFromEnvironment(std::string& error, ModelBackendMaker makeModel,
                                                    Diagnostics& log);

}  // namespace ombrex::razizid
