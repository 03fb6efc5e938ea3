#include "razizid/in_process.h"

#include <array>
#include <atomic>
#include <utility>

namespace ombrex::razizid {

namespace {

// The C functions carry no object pointer, so each slot has its own set of
// them, bound to whichever core occupies the slot.
std::array<std::atomic<Core*>, InProcessLibrary::kSlots> cores{};

template <std::size_t Slot>
struct SlotFunctions {
  static Core* Get() { return cores[Slot].load(std::memory_order_acquire); }

  static int RAZIZID_CALL Debug(int level) { return Get()->Debug(level); }
  static int RAZIZID_CALL Init(int) { return Get()->Init(); }
  static int RAZIZID_CALL End() { return Get()->End(); }
  static int RAZIZID_CALL RequestGetDeviceCount(const RazIzidSelector* s, RazIzidCallback c,
                                                std::uint32_t t, std::uint32_t v,
                                                std::uint32_t* u) {
    return Get()->RequestGetDeviceCount(s, c, t, v, u);
  }
  static int RAZIZID_CALL DeleteRequestFromUnitId(std::uint32_t unit) {
    return Get()->DeleteRequestFromUnitId(unit);
  }
  static int RAZIZID_CALL DeleteRequestFromHandle(RazIzidCallback c) {
    return Get()->DeleteRequestFromHandle(c);
  }
  static int RAZIZID_CALL RequestWrite(const RazIzidSelector* s, RazIzidCallback c, std::uint32_t t,
                                       const std::uint8_t* d, std::uint32_t n, std::uint32_t v,
                                       std::uint32_t* u) {
    return Get()->RequestWrite(s, c, t, d, n, v, u);
  }
  static int RAZIZID_CALL RequestWriteOne(const RazIzidSelector* s, RazIzidCallback c,
                                          std::uint32_t t, const std::uint8_t* d, std::uint32_t n,
                                          std::uint32_t v, std::uint32_t* u) {
    return Get()->RequestWriteOne(s, c, t, d, n, v, u);
  }
  static int RAZIZID_CALL RequestStatusWrite(const RazIzidSelector* s, RazIzidCallback c,
                                             std::uint32_t t, const std::uint8_t* d,
                                             std::uint32_t n, std::uint32_t v, std::uint32_t* u) {
    return Get()->RequestStatusWrite(s, c, t, d, n, v, u);
  }
  static int RAZIZID_CALL RequestStatusGet(const RazIzidSelector* s, RazIzidCallback c,
                                           std::uint32_t t, std::uint8_t* d, std::uint32_t n,
                                           std::uint32_t v, std::uint32_t* u) {
    return Get()->RequestStatusGet(s, c, t, d, n, v, u);
  }
  static int RAZIZID_CALL RequestAsyncRead(const RazIzidSelector* s, RazIzidCallback c,
                                           std::uint32_t t, std::uint32_t v, std::uint32_t* u) {
    return Get()->RequestAsyncRead(s, c, t, v, u);
  }
  static int RAZIZID_CALL RequestStatusSetFeature(const RazIzidSelector* s, RazIzidCallback c,
                                                  std::uint32_t t, const std::uint8_t* d,
                                                  std::uint32_t n, std::uint32_t v,
                                                  std::uint32_t* u) {
    return Get()->RequestStatusSetFeature(s, c, t, d, n, v, u);
  }
  static int RAZIZID_CALL LastOpenError(char* buffer, std::uint32_t capacity) {
    return Get()->LastOpenError(buffer, capacity);
  }

  static constexpr RazIzidFunctions kTable = {&Debug,
                                              &Init,
                                              &End,
                                              &RequestGetDeviceCount,
                                              &DeleteRequestFromUnitId,
                                              &DeleteRequestFromHandle,
                                              &RequestWrite,
                                              &RequestWriteOne,
                                              &RequestStatusWrite,
                                              &RequestStatusGet,
                                              &RequestAsyncRead,
                                              &RequestStatusSetFeature,
                                              &LastOpenError};
};

template <std::size_t... Slot>
constexpr std::array<RazIzidFunctions, sizeof...(Slot)> MakeTables(std::index_sequence<Slot...>) {
  return {SlotFunctions<Slot>::kTable...};
}

constexpr auto kTables = MakeTables(std::make_index_sequence<InProcessLibrary::kSlots>{});

}  // namespace

InProcessLibrary::InProcessLibrary()
    : core_(std::make_unique<Core>(BackendFactory(MakeBackendFromEnvironment))) {
  TakeSlot();
}

InProcessLibrary::InProcessLibrary(vkbd::Keyboard& keyboard, vkbd::FaultOptions faults,
                                   bool plugged)
    : model_(std::make_unique<ModelBackend>(keyboard, faults, plugged)),
      core_(std::make_unique<Core>(*model_)) {
  TakeSlot();
}

InProcessLibrary::~InProcessLibrary() {
  core_->End();
  if (Valid()) cores[slot_].store(nullptr, std::memory_order_release);
}

void InProcessLibrary::TakeSlot() {
  for (std::size_t i = 0; i < kSlots; ++i) {
    Core* expected = nullptr;
    if (cores[i].compare_exchange_strong(expected, core_.get(), std::memory_order_acq_rel)) {
      slot_ = i;
      functions_ = kTables[i];
      return;
    }
  }
}

}  // namespace ombrex::razizid
