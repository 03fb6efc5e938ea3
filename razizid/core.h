#pragma once

// The service library's state behind its C functions: the backend, the
// standing requests and their dispatch threads. The shared library keeps one
// for the process (ProcessCore); tests make as many as they like (see
// in_process.h).

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <span>
#include <vector>

#include "device/razizid_api.h"
#include "razizid/backend.h"
#include "razizid/diagnostics.h"
#include "razizid/request_dispatcher.h"

namespace ombrex::razizid {

// `log` outlives what the factory makes.
using BackendFactory =
    std::function<std::unique_ptr<Backend>(std::string& error, Diagnostics& log)>;

class Core final : private BackendSink {
 public:
  // A new backend from `factory` at every Init.
  explicit Core(BackendFactory factory);
  // Always the same backend, owned by the caller.
  explicit Core(Backend& backend);
  ~Core();
  Core(const Core&) = delete;
  Core& operator=(const Core&) = delete;

  // The C functions, argument for argument (see device/razizid_api.h). They
  // may throw (memory, threads); EntryPoints turns that into a result.
#define RAZIZID_CORE_FUNCTION(name, parameters, arguments) int name parameters;
  RAZIZID_FUNCTIONS(RAZIZID_CORE_FUNCTION)
  RAZIZID_EXTRA_FUNCTIONS(RAZIZID_CORE_FUNCTION)
#undef RAZIZID_CORE_FUNCTION

  // Standing requests now registered (tests).
  std::size_t RequestCount() const;

  // Where the core and its backend say things (to the program's log).
  Diagnostics& Log() {
    return outlets_;
  }

 private:
  enum class WriteKind { Every, First, Status, Feature };

  // Called from the backend's threads, which may belong to another module:
  // nothing thrown here may reach them, so an event that cannot be queued is
  // dropped, as one beyond a request's queue limit is.
  void OnReport(protocol::Interface from, std::span<const std::uint8_t> report) override;
  void OnDevicesChanged(const DeviceCounts& counts) override;
  void Say(int level, std::string_view message) noexcept override {
    outlets_.Say(level, message);
  }
  bool WantsDetail() const noexcept override {
    return outlets_.WantsDetail();
  }

  // The keyboard interface of a request that passes its checks.
  std::optional<protocol::Interface> Admit(const char* call, const RazIzidSelector* selector,
                                           RazIzidCallback callback, std::uint32_t tag,
                                           std::span<const std::uint8_t> data,
                                           std::uint32_t verification) const;
  int Write(WriteKind kind, const RazIzidSelector* selector, RazIzidCallback callback,
            std::uint32_t tag, const std::uint8_t* data, std::uint32_t length,
            std::uint32_t verification, std::uint32_t* unitId);
  std::uint32_t AddRequest(protocol::Interface hidInterface, RazIzidCallback callback,
                           std::uint32_t tag, int currentCount);
  // Stops the requests chosen by `take`, outside the registry lock.
  int StopRequests(const std::function<bool(const RequestDispatcher&)>& take);
  void Trace(const char* what) const;
  // `what` is the whole line: no line is built once memory has run out.
  void Dropped(const char* what) const;

  // First, so it outlives the backend, whose threads and commit hooks may
  // still say something while it is taken down.
  mutable CallerOutlets outlets_;

  BackendFactory factory_;
  Backend* fixedBackend_ = nullptr;

  // Guards the running backend; calls that use it hold it shared, Init and
  // End exclusively. The paths from the backend into the core never take it.
  mutable std::shared_mutex lifecycle_;
  std::unique_ptr<Backend> ownedBackend_;
  Backend* backend_ = nullptr;

  mutable std::mutex registry_;
  std::map<std::uint32_t, std::unique_ptr<RequestDispatcher>> requests_;
  // Requests that cancelled themselves from their own callback: their thread
  // ends when that callback returns, and is joined later from another thread.
  std::vector<std::unique_ptr<RequestDispatcher>> finishing_;
  std::uint32_t nextUnitId_ = 1;
};

// The shared library's one core, with the backend RAZIZID_BACKEND names; the
// "model" backend comes from the model module beside the library.
Core& ProcessCore();

}  // namespace ombrex::razizid
