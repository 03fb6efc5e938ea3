#include "device/callback_slot.h"

#include <array>
#include <atomic>
#include <utility>

namespace ombrex {

namespace {

std::array<std::atomic<EventReceiver*>, CallbackSlot::kSlots> receivers{};

template <std::size_t Index>
int RAZIZID_CALL Forward(const RazIzidEvent* event) {
  EventReceiver* receiver = receivers[Index].load(std::memory_order_acquire);
  if (receiver != nullptr && event != nullptr) receiver->OnLibraryEvent(*event);
  return 1;
}

template <std::size_t... Index>
constexpr std::array<RazIzidCallback, sizeof...(Index)> MakeFunctions(
    std::index_sequence<Index...>) {
  return {&Forward<Index>...};
}

constexpr auto kFunctions = MakeFunctions(std::make_index_sequence<CallbackSlot::kSlots>{});

}  // namespace

CallbackSlot::CallbackSlot(EventReceiver& receiver) {
  for (std::size_t i = 0; i < kSlots; ++i) {
    EventReceiver* expected = nullptr;
    if (receivers[i].compare_exchange_strong(expected, &receiver, std::memory_order_acq_rel)) {
      index_ = i;
      function_ = kFunctions[i];
      return;
    }
  }
}

CallbackSlot::~CallbackSlot() {
  if (index_ < kSlots) receivers[index_].store(nullptr, std::memory_order_release);
}

}  // namespace ombrex
