#pragma once

// The layout of one skinned window as the generator reads it from the skin
// file's source: the picture size and the place of every control. A key the
// drawing code asks for but the file lacks stops the generator, so a typo in a
// skin file fails the build instead of drawing a control in the wrong place.

#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

#include "tools/assetkit/ini_text.h"

namespace ombrex::skingen {

class Layout {
 public:
  // nullopt (with a message on stderr) when the file cannot be read, has
  // problems or lacks "Size" in section "SCREEN".
  static std::optional<Layout> Load(const QString& iniPath);

  QSize Size() const { return size_; }
  QRectF Bounds() const { return QRectF(QPointF(0, 0), size_); }

  // The placement of a key of "BUTTONINFO"; hidden placements (1,1,...) are
  // reported as nullopt. A missing key is a fatal error.
  std::optional<QRectF> Place(const QString& key) const;
  // Like Place, for a control the drawing cannot do without.
  QRectF Require(const QString& key) const;
  // Any section, for the arrow origins of "BUTTONINFO2".
  std::optional<QRectF> PlaceIn(const QString& section, const QString& key) const;
  // Visible placements of every key that starts with `prefix`.
  QStringList KeysWithPrefix(const QString& prefix) const;
  QString Screen(const QString& key) const;

 private:
  QString path_;
  assetkit::IniText ini_;
  QSize size_;
};

// The union of the visible placements of `keys`.
QRectF UnionOf(const Layout& layout, const QStringList& keys);

}  // namespace ombrex::skingen
