#pragma once

// The faults of the in-process model as the environment gives them:
// "latency=1,seed=7,drop=0.1,refuse=0.05,wrongcode=0.02,unplug=100" (any
// subset, any order; empty means none).

#include <optional>
#include <string_view>

#include "vkbd/keyboard.h"

namespace ombrex::razizid {

// nullopt for an unknown name, a value that is not a number, or a rate
// outside 0..1.
std::optional<vkbd::FaultOptions> ParseFaultOptions(std::string_view text);

}  // namespace ombrex::razizid
