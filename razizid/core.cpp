#include "razizid/core.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <string>
#include <utility>

#include "device/razizid_wire.h"

namespace ombrex::razizid {

namespace {

std::span<const std::uint8_t> Bytes(const std::uint8_t* data, std::uint32_t length) {
  return data != nullptr ? std::span<const std::uint8_t>(data, length)
                         : std::span<const std::uint8_t>();
}

void ClearUnit(std::uint32_t* unitId) {
  if (unitId != nullptr) *unitId = 0;
}

}  // namespace

Core::Core(BackendFactory factory) : factory_(std::move(factory)) {}

Core::Core(Backend& backend) : fixedBackend_(&backend) {}

Core::~Core() {
  End();
  std::lock_guard lock(registry_);
  finishing_.clear();
}

int Core::Debug(int level) {
  return outlets_.SetLevel(level);
}

int Core::SetLog(RazIzidLogCallback log, void* context) {
  outlets_.SetLog(log, context);
  return 1;
}

int Core::SetMonitor(RazIzidMonitorCallback monitor, void* context) {
  outlets_.SetMonitor(monitor, context);
  return 1;
}

int Core::Init(int) {
  std::unique_lock lock(lifecycle_);
  if (backend_ != nullptr) return 1;
  std::string error;
  if (factory_) ownedBackend_ = factory_(error, outlets_);
  Backend* backend = ownedBackend_ ? ownedBackend_.get() : fixedBackend_;
  if (backend == nullptr) {
    outlets_.Error(error.empty() ? "no backend" : error);
    return 0;
  }
  if (!backend->Start(*this)) {
    ownedBackend_.reset();
    return 0;
  }
  backend_ = backend;
  return 1;
}

int Core::End(void) {
  std::unique_ptr<Backend> owned;
  Backend* backend = nullptr;
  {
    std::unique_lock lock(lifecycle_);
    backend = std::exchange(backend_, nullptr);
    owned = std::move(ownedBackend_);
  }
  StopRequests([](const RequestDispatcher&) { return true; });
  if (backend != nullptr) backend->Stop();
  return 1;
}

std::size_t Core::RequestCount() const {
  std::lock_guard lock(registry_);
  return requests_.size();
}

std::optional<protocol::Interface> Core::Admit(const char* call, const RazIzidSelector* selector,
                                               RazIzidCallback callback, std::uint32_t tag,
                                               std::span<const std::uint8_t> data,
                                               std::uint32_t verification) const {
  if (selector == nullptr || Verification(*selector, callback, tag, data) != verification) {
    Trace(call);
    return std::nullopt;
  }
  return KeyboardInterfaceOf(*selector);
}

int Core::RequestGetDeviceCount(const RazIzidSelector* selector, RazIzidCallback callback,
                                std::uint32_t tag, std::uint32_t verification,
                                std::uint32_t* unitId) {
  ClearUnit(unitId);
  const auto target = Admit("RequestGetDeviceCount", selector, callback, tag, {}, verification);
  if (!target) return RAZIZID_NONE;  // a count is never negative; refused counts as none
  std::shared_lock lock(lifecycle_);
  return backend_ != nullptr ? backend_->Counts().Of(*target) : RAZIZID_NONE;
}

int Core::DeleteRequestFromUnitId(std::uint32_t unitId) {
  if (unitId == 0) return 0;
  return StopRequests([unitId](const RequestDispatcher& r) { return r.UnitId() == unitId; }) > 0
             ? 1
             : 0;
}

int Core::DeleteRequestFromHandle(RazIzidCallback callback) {
  if (callback == nullptr) return 0;
  return StopRequests([callback](const RequestDispatcher& r) { return r.Callback() == callback; });
}

int Core::RequestWrite(const RazIzidSelector* selector, RazIzidCallback callback, std::uint32_t tag,
                       const std::uint8_t* data, std::uint32_t length, std::uint32_t verification,
                       std::uint32_t* unitId) {
  return Write(WriteKind::Every, selector, callback, tag, data, length, verification, unitId);
}

int Core::RequestWriteOne(const RazIzidSelector* selector, RazIzidCallback callback,
                          std::uint32_t tag, const std::uint8_t* data, std::uint32_t length,
                          std::uint32_t verification, std::uint32_t* unitId) {
  return Write(WriteKind::First, selector, callback, tag, data, length, verification, unitId);
}

int Core::RequestStatusWrite(const RazIzidSelector* selector, RazIzidCallback callback,
                             std::uint32_t tag, const std::uint8_t* data, std::uint32_t length,
                             std::uint32_t verification, std::uint32_t* unitId) {
  return Write(WriteKind::Status, selector, callback, tag, data, length, verification, unitId);
}

int Core::RequestStatusSetFeature(const RazIzidSelector* selector, RazIzidCallback callback,
                                  std::uint32_t tag, const std::uint8_t* data, std::uint32_t length,
                                  std::uint32_t verification, std::uint32_t* unitId) {
  return Write(WriteKind::Feature, selector, callback, tag, data, length, verification, unitId);
}

int Core::Write(WriteKind kind, const RazIzidSelector* selector, RazIzidCallback callback,
                std::uint32_t tag, const std::uint8_t* data, std::uint32_t length,
                std::uint32_t verification, std::uint32_t* unitId) {
  ClearUnit(unitId);
  if (data == nullptr || length == 0) return RAZIZID_REFUSED;
  const std::span<const std::uint8_t> report = Bytes(data, length);
  const auto target = Admit("write", selector, callback, tag, report, verification);
  if (!target) return RAZIZID_REFUSED;
  std::shared_lock lock(lifecycle_);
  if (backend_ == nullptr) return RAZIZID_NOT_READY;
  // Before the write: a reply may reach the monitor before the write returns.
  if (outlets_.Monitoring()) outlets_.Pass(RAZIZID_SENT, *target, report);
  const int written = kind == WriteKind::Feature
                          ? backend_->SetFeature(*target, report)
                          : backend_->Write(*target, report, kind == WriteKind::Every);
  if (callback != nullptr) {
    const std::uint32_t unit = AddRequest(*target, callback, tag, backend_->Counts().Of(*target));
    if (unitId != nullptr) *unitId = unit;
  }
  return written;
}

int Core::RequestStatusGet(const RazIzidSelector* selector, RazIzidCallback callback,
                           std::uint32_t tag, std::uint8_t* data, std::uint32_t length,
                           std::uint32_t verification, std::uint32_t* unitId) {
  ClearUnit(unitId);
  if (data == nullptr || length == 0) return RAZIZID_REFUSED;
  const auto target = Admit("RequestStatusGet", selector, callback, tag, {}, verification);
  if (!target) return RAZIZID_REFUSED;
  std::shared_lock lock(lifecycle_);
  if (backend_ == nullptr) return RAZIZID_NOT_READY;
  return backend_->GetFeature(*target, std::span<std::uint8_t>(data, length));
}

int Core::RequestAsyncRead(const RazIzidSelector* selector, RazIzidCallback callback,
                           std::uint32_t tag, std::uint32_t verification, std::uint32_t* unitId) {
  ClearUnit(unitId);
  if (callback == nullptr) return RAZIZID_REFUSED;
  const auto target = Admit("RequestAsyncRead", selector, callback, tag, {}, verification);
  if (!target) return RAZIZID_REFUSED;
  std::shared_lock lock(lifecycle_);
  if (backend_ == nullptr) return RAZIZID_NOT_READY;
  const std::uint32_t unit = AddRequest(*target, callback, tag, backend_->Counts().Of(*target));
  if (unitId != nullptr) *unitId = unit;
  return 1;
}

int Core::LastOpenError(char* buffer, std::uint32_t capacity) {
  std::string message;
  {
    std::shared_lock lock(lifecycle_);
    if (backend_ != nullptr) message = backend_->LastOpenError();
  }
  if (buffer != nullptr && capacity > 0) {
    const std::size_t copied = std::min<std::size_t>(message.size(), capacity - 1);
    std::memcpy(buffer, message.data(), copied);
    buffer[copied] = '\0';
  }
  return static_cast<int>(message.size());
}

void Core::OnReport(protocol::Interface from, std::span<const std::uint8_t> report) {
  if (outlets_.Monitoring()) outlets_.Pass(RAZIZID_RECEIVED, from, report);
  std::lock_guard lock(registry_);
  for (auto& [unit, request] : requests_) {
    if (request->Interface() != from) continue;
    try {
      request->PostReport(report);
    } catch (const std::bad_alloc&) {
      Dropped("a report dropped: out of memory");
    }
  }
}

void Core::OnDevicesChanged(const DeviceCounts& counts) {
  if (outlets_.WantsDetail()) {
    outlets_.Detail("keyboards attached: " + std::to_string(counts.control));
  }
  std::lock_guard lock(registry_);
  for (auto& [unit, request] : requests_) {
    try {
      request->PostCount(counts.Of(request->Interface()));
    } catch (const std::bad_alloc&) {
      Dropped("a device count dropped: out of memory");
    }
  }
}

std::uint32_t Core::AddRequest(protocol::Interface hidInterface, RazIzidCallback callback,
                               std::uint32_t tag, int currentCount) {
  std::lock_guard lock(registry_);
  std::uint32_t unit = nextUnitId_++;
  while (unit == 0 || requests_.contains(unit)) unit = nextUnitId_++;
  requests_.emplace(
      unit, std::make_unique<RequestDispatcher>(unit, hidInterface, callback, tag, currentCount));
  return unit;
}

int Core::StopRequests(const std::function<bool(const RequestDispatcher&)>& take) {
  std::vector<std::unique_ptr<RequestDispatcher>> stopping;
  std::vector<std::unique_ptr<RequestDispatcher>> finished;
  {
    std::lock_guard lock(registry_);
    for (auto it = requests_.begin(); it != requests_.end();) {
      if (take(*it->second)) {
        stopping.push_back(std::move(it->second));
        it = requests_.erase(it);
      } else {
        ++it;
      }
    }
    // Requests that ended themselves earlier and whose thread has run out.
    auto done = std::stable_partition(finishing_.begin(), finishing_.end(),
                                      [](const auto& r) { return !r->Finished(); });
    std::move(done, finishing_.end(), std::back_inserter(finished));
    finishing_.erase(done, finishing_.end());
  }
  const int count = static_cast<int>(stopping.size());
  for (auto& request : stopping) {
    if (request->OnOwnThread()) {
      request->Stop();
      std::lock_guard lock(registry_);
      finishing_.push_back(std::move(request));
    }
  }
  // The rest stop and join as they go.
  return count;
}

void Core::Dropped(const char* what) const {
  outlets_.Detail(what);
}

void Core::Trace(const char* what) const {
  if (outlets_.WantsDetail()) outlets_.Detail(std::string(what) + " refused");
}

}  // namespace ombrex::razizid
