#pragma once

// The user modes the program starts with: "UserDengColor_0..3.userd" in the
// skin folder, which the program reads until the user saves modes of their
// own. Without them every key of the painted mode would start red.

#include "tools/skingen/layout.h"

namespace ombrex::skingen {

// Writes the four files into `folder`; false when one cannot be written.
bool WriteDefaultUserModes(const QString& folder, const Layout& mainLayout);

}  // namespace ombrex::skingen
