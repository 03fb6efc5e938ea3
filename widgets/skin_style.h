#pragma once

// The look of the standard controls that sit on the skin pictures (labels,
// drop-downs, edits, check boxes, lists): dark, quiet, and readable on the
// graphite skin, so they belong to the picture instead of floating on it.

#include <QColor>

class QWidget;

namespace ombrex {

struct SkinColours {
  QColor text{0xe8, 0xeb, 0xf0};
  QColor mutedText{0x8a, 0x93, 0xa3};
  QColor field{0x12, 0x14, 0x18};
  QColor fieldEdge{0x38, 0x3e, 0x48};
  QColor accent{0x27, 0xd3, 0xf2};
  QColor selection{0x0f, 0x4a, 0x58};
  QColor header{0x1b, 0x1e, 0x24};  // list headers (CHeaderCtrlCl::SetColours)
  QColor grid{0x2a, 0x2f, 0x38};
};

// Styles `dialog` and every control on it, present and future.
void ApplySkinStyle(QWidget& dialog, const SkinColours& colours = {});

}  // namespace ombrex
