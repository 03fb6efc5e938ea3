#include "device/device_link.h"

#include <utility>
#include <vector>

#include "device/razizid_wire.h"

namespace ombrex {

DeviceLink::DeviceLink(ServiceLibrary library, AppState& state, LinkTiming timing)
    : library_(library),
      state_(state),
      transactor_(library_, timing),
      commands_(transactor_, state_, defaultTable_),
      callbackSlot_(*this) {}

DeviceLink::~DeviceLink() {
  transactor_.CancelReplyRead();
  std::vector<std::uint32_t> units;
  {
    std::lock_guard lock(unitsMutex_);
    units.assign(units_.begin(), units_.end());
    units_.clear();
  }
  for (std::uint32_t unit : units) library_->DeleteRequestFromUnitId(unit);
}

bool DeviceLink::Usable() const {
  return EventCallback() != nullptr && library_.Complete();
}

int DeviceLink::RegisterReplyRead() {
  if (EventCallback() == nullptr) return RAZIZID_REFUSED;
  return transactor_.RegisterReplyRead(EventCallback());
}

void DeviceLink::SetEventSink(DeviceEventSink sink) {
  auto shared = sink ? std::make_shared<const DeviceEventSink>(std::move(sink)) : nullptr;
  std::lock_guard lock(sinkMutex_);
  sink_ = std::move(shared);
}

int DeviceLink::StartRead(protocol::Interface hidInterface, std::uint32_t tag,
                          std::uint32_t& unitId) {
  CancelRequest(unitId);
  if (EventCallback() == nullptr) return RAZIZID_REFUSED;
  const RazIzidSelector selector = razizid::MakeSelector(hidInterface);
  std::uint32_t newUnit = 0;
  const int result =
      library_->RequestAsyncRead(&selector, EventCallback(), tag,
                                 razizid::Verification(selector, EventCallback(), tag), &newUnit);
  if (result > 0 && newUnit != 0) {
    unitId = newUnit;
    Remember(newUnit);
  }
  return result;
}

int DeviceLink::WriteStatus(protocol::Interface hidInterface, std::uint32_t tag,
                            std::span<const std::uint8_t> data, std::uint32_t& unitId) {
  CancelRequest(unitId);
  if (!Usable()) return RAZIZID_REFUSED;
  const RazIzidSelector selector = razizid::MakeSelector(hidInterface);
  std::uint32_t newUnit = 0;
  const int result = library_->RequestStatusWrite(
      &selector, EventCallback(), tag, data.data(), static_cast<std::uint32_t>(data.size()),
      razizid::Verification(selector, EventCallback(), tag, data), &newUnit);
  if (newUnit != 0) {
    unitId = newUnit;
    Remember(newUnit);
  }
  return result;
}

void DeviceLink::CancelRequest(std::uint32_t& unitId) {
  if (unitId != 0) library_->DeleteRequestFromUnitId(unitId);
  Forget(unitId);
  unitId = 0;
}

void DeviceLink::OnLibraryEvent(const RazIzidEvent& event) {
  const std::span<const std::uint8_t> data =
      event.kind == RAZIZID_EVENT_DATA && event.data != nullptr
          ? std::span<const std::uint8_t>(event.data, event.count)
          : std::span<const std::uint8_t>();
  if (event.kind == RAZIZID_EVENT_DATA && event.tag == RAZIZID_TAG_CONTROL) {
    transactor_.DeliverReply(data);
    return;
  }
  std::shared_ptr<const DeviceEventSink> sink;
  {
    std::lock_guard lock(sinkMutex_);
    sink = sink_;
  }
  if (sink) (*sink)(DeviceEvent{event.kind, event.tag, event.count, event.unitId, data});
}

void DeviceLink::Remember(std::uint32_t unitId) {
  std::lock_guard lock(unitsMutex_);
  units_.insert(unitId);
}

void DeviceLink::Forget(std::uint32_t unitId) {
  std::lock_guard lock(unitsMutex_);
  units_.erase(unitId);
}

}  // namespace ombrex
