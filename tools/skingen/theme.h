#pragma once

// The colours and fonts of the Ombrex look: a dark graphite body, cyan for
// what the pointer touches, amber for keys that carry an assignment.

#include <QColor>
#include <QFont>

namespace ombrex::skingen::theme {

inline const QColor kWindow{0x15, 0x17, 0x1c};
inline const QColor kWindowEdge{0x2e, 0x33, 0x3c};
inline const QColor kHeader{0x1b, 0x1e, 0x24};
inline const QColor kHairline{0x2a, 0x2f, 0x38};
inline const QColor kDeck{0x1e, 0x21, 0x27};
inline const QColor kDeckEdge{0x36, 0x3c, 0x46};
inline const QColor kPanel{0x1a, 0x1d, 0x23};
inline const QColor kTray{0x12, 0x14, 0x18};

inline const QColor kCapSkirt{0x0f, 0x11, 0x15};
inline const QColor kCapEdge{0x2b, 0x30, 0x38};
inline const QColor kCapTop{0x3a, 0x3f, 0x48};
inline const QColor kCapBottom{0x2c, 0x31, 0x39};
inline const QColor kCapTopOver{0x4a, 0x51, 0x5c};
inline const QColor kCapBottomOver{0x3a, 0x40, 0x4a};
inline const QColor kCapDown{0x22, 0x26, 0x2d};
inline const QColor kCapDisabled{0x24, 0x27, 0x2d};
inline const QColor kGCapTop{0x33, 0x3d, 0x4c};
inline const QColor kGCapBottom{0x27, 0x30, 0x3d};

inline const QColor kText{0xe8, 0xeb, 0xf0};
inline const QColor kTextMuted{0x8a, 0x93, 0xa3};
inline const QColor kTextDim{0x4e, 0x55, 0x60};

inline const QColor kAccent{0x27, 0xd3, 0xf2};
inline const QColor kAccentDeep{0x0f, 0x4a, 0x58};
inline const QColor kMarked{0xff, 0xae, 0x2b};
inline const QColor kDanger{0xe5, 0x48, 0x4d};

inline const QColor kPlate{0x27, 0x2b, 0x32};
inline const QColor kPlateEdge{0x38, 0x3e, 0x48};
inline const QColor kPlateOver{0x31, 0x36, 0x3f};
inline const QColor kPlateDown{0x1d, 0x21, 0x27};

QColor WithAlpha(QColor color, int alpha);

// DejaVu Sans, installed with the build's packages, at a pixel size.
QFont Font(qreal pixelSize, bool bold = false);

}  // namespace ombrex::skingen::theme
