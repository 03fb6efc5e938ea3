#pragma once

// What is printed on each key cap of the main window, by skin key.

#include <QString>
#include <optional>

#include "tools/skingen/draw_kit.h"

namespace ombrex::skingen {

// The legend of "KEY_%03X", "KEY_FN", "FUNC_G%d" or "FUNC_D%d"; nullopt for a key
// the generator has no print for (the generator then refuses to draw it).
std::optional<Legend> LegendFor(const QString& skinKey);

}  // namespace ombrex::skingen
