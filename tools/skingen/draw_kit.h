#pragma once

// Drawing primitives shared by every picture: key caps, button plates, small
// line icons and text. Everything is drawn in logical pixels; the caller
// scales the painter for the @2x pictures.

#include <QPainter>
#include <QRectF>
#include <QString>

namespace ombrex::skingen {

// The state a control is drawn in. Marked is the look of a key that carries an
// assignment; Disabled the look of a control that cannot be used.
enum class Face { Normal, Over, Down, Disabled, Marked };

// Small print at the top (a key's shifted character), big print below.
struct Legend {
  QString main;
  QString top;
  // Small print below the main print (a keypad key's second meaning).
  QString sub;
  // Where the print sits: centred, or small in the top-left corner (G keys
  // leave the middle to the caption the program writes over them).
  bool corner = false;
};

enum class CapStyle { Standard, GKey, Small };

void DrawKeycap(QPainter& p, const QRectF& r, Face face, const Legend& legend,
                CapStyle style = CapStyle::Standard);

enum class PlateStyle { Default, Primary, Window, Close, Tab, TabActive, Quiet };

// A rounded button plate without text (the program writes captions itself).
void DrawPlate(QPainter& p, const QRectF& r, Face face, PlateStyle style = PlateStyle::Default);

enum class Icon {
  Menu,
  Help,
  Minimize,
  Close,
  Folder,
  Macro,
  Plus,
  Minus,
  Trash,
  Record,
  Keyboard,
  Reset,
  Swap,
  ArrowLeft,
  ArrowRight,
  ArrowUp,
  ArrowDown,
  Spread,
  Gather,
  Brush,
  Bucket,
  Play,
  Volume,
  Bulb,
  BulbLit,
  Check,
  ToTop,
  ToBottom,
  Link
};

// A line icon centred in `box`, scaled to fit.
void DrawIcon(QPainter& p, const QRectF& box, Icon icon, const QColor& color);

// Text centred (or aligned by `flags`) in `r`, shrunk until it fits its width.
void DrawFittedText(QPainter& p, const QRectF& r, const QString& text, qreal pixelSize, bool bold,
                    const QColor& color, int flags = Qt::AlignCenter);

// The colour an icon takes on a plate in that face.
QColor IconColor(Face face);

// Rounded rectangle helper with a half-pixel inset so 1-px lines stay crisp.
void FillRounded(QPainter& p, const QRectF& r, qreal radius, const QBrush& fill,
                 const QColor& edge = Qt::transparent, qreal edgeWidth = 1.0);

// The wordmark of the brand, drawn into `r`.
void DrawWordmark(QPainter& p, const QRectF& r, const QColor& color, const QColor& accent);

}  // namespace ombrex::skingen
