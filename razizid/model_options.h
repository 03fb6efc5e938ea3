#pragma once

// The in-process model as the environment sets it up: RAZIZID_MODEL_STATE
// names the file that keeps its memories, RAZIZID_MODEL_FAULTS its faults as
// "latency=1,seed=7,drop=0.1,refuse=0.05,wrongcode=0.02,unplug=100" (any
// subset, any order; empty means none).

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "razizid/backend.h"
#include "vkbd/keyboard.h"

namespace ombrex::razizid {

// A model of a keyboard of its own, from the environment; null, with `error`
// set, when the faults cannot be read. A state file that is not usable is
// said through `log` (which outlives the backend) and the model starts from
// its factory state.
std::unique_ptr<Backend> MakeModelBackendFromEnvironment(std::string& error, Diagnostics& log);

// nullopt for an unknown name, a value that is not a number, or a rate
// outside 0..1.
std::optional<vkbd::FaultOptions> ParseFaultOptions(std::string_view text);

}  // namespace ombrex::razizid
