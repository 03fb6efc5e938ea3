#pragma once

// The library's core linked into the caller's process, for tests and
// benchmarks: the same request and callback code as the shared library,
// reached through a function table instead of by name. Each object is a core
// of its own, so tests that make a fresh one see nothing of another's.
//
//   vkbd::Keyboard keyboard;
//   razizid::InProcessLibrary library(keyboard);       // a model of it
//   auto bound = BindServiceLibrary(library.Functions()); // calls Init
//   ...
//   library.Model()->Unplug();
//
// Not part of the shared library: this one carries the keyboard model
// (ombrex_razizid_in_process links it), which the shared library only loads
// from its model module.

#include <cstddef>
#include <memory>

#include "device/razizid_api.h"
#include "razizid/core.h"
#include "razizid/model_backend.h"
#include "vkbd/keyboard.h"

namespace ombrex::razizid {

class InProcessLibrary {
 public:
  // How many may exist at once (each needs its own set of C functions).
  static constexpr std::size_t kSlots = 8;

  // A core with the backend RAZIZID_BACKEND names, as the shared library
  // (its model made here rather than loaded from the module).
  InProcessLibrary();
  // A core whose backend is a model of `keyboard` (caller-owned, outliving
  // this) with the given faults.
  explicit InProcessLibrary(vkbd::Keyboard& keyboard, vkbd::FaultOptions faults = {},
                            bool plugged = true);
  // A core on any backend (caller-owned, outliving this).
  explicit InProcessLibrary(Backend& backend);
  // Ends the core: every request is cancelled and its threads are joined.
  ~InProcessLibrary();
  InProcessLibrary(const InProcessLibrary&) = delete;
  InProcessLibrary& operator=(const InProcessLibrary&) = delete;

  // False when all slots were taken; the function table is then empty.
  bool Valid() const { return slot_ < kSlots; }
  const RazIzidFunctions& Functions() const { return functions_; }
  Core& GetCore() { return *core_; }
  // The model backend, when the core has one.
  ModelBackend* Model() { return model_.get(); }

 private:
  void TakeSlot();

  std::unique_ptr<ModelBackend> model_;
  std::unique_ptr<Core> core_;
  std::size_t slot_ = kSlots;
  RazIzidFunctions functions_{};
};

}  // namespace ombrex::razizid
