#include "razizid/in_process.h"

#include <array>
#include <atomic>
#include <utility>

#include "razizid/entry_points.h"
#include "razizid/model_options.h"

namespace ombrex::razizid {

namespace {

// The C functions carry no object pointer, so each slot has its own set of
// them, bound to whichever core occupies the slot.
std::array<std::atomic<Core*>, InProcessLibrary::kSlots> cores{};

template <std::size_t Slot>
Core& SlotCore() {
  return *cores[Slot].load(std::memory_order_acquire);
}

template <std::size_t... Slot>
constexpr std::array<RazIzidFunctions, sizeof...(Slot)> MakeTables(std::index_sequence<Slot...>) {
  return {EntryPoints<&SlotCore<Slot>>::kTable...};
}

constexpr auto kTables = MakeTables(std::make_index_sequence<InProcessLibrary::kSlots>{});

}  // namespace

InProcessLibrary::InProcessLibrary()
    : core_(std::make_unique<Core>([](std::string& error, Diagnostics& log) {
        return MakeBackendFromEnvironment(error, &MakeModelBackendFromEnvironment, log);
      })) {
  TakeSlot();
}

InProcessLibrary::InProcessLibrary(vkbd::Keyboard& keyboard, vkbd::FaultOptions faults,
                                   bool plugged)
    : model_(std::make_unique<ModelBackend>(keyboard, faults, plugged)),
      core_(std::make_unique<Core>(*model_)) {
  TakeSlot();
}

InProcessLibrary::InProcessLibrary(Backend& backend) : core_(std::make_unique<Core>(backend)) {
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
