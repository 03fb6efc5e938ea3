#include "tools/skingen/layout.h"

#include <cstdio>
#include <cstdlib>

#include "tools/assetkit/utf.h"

namespace ombrex::skingen {
namespace {

std::u16string U16(const QString& s) {
  return s.toStdU16String();
}

[[noreturn]] void Fail(const QString& message) {
  std::fprintf(stderr, "ombrex-skingen: %s\n", qPrintable(message));
  std::exit(1);
}

}  // namespace

std::optional<Layout> Layout::Load(const QString& iniPath) {
  const auto text = assetkit::ReadTextFile(iniPath.toStdString());
  if (!text) {
    std::fprintf(stderr, "%s: cannot be read or is not valid text\n", qPrintable(iniPath));
    return std::nullopt;
  }
  Layout layout;
  layout.path_ = iniPath;
  layout.ini_ = assetkit::IniText::Parse(*text);
  for (const auto& problem : layout.ini_.Problems()) {
    std::fprintf(stderr, "%s:%d: %s\n", qPrintable(iniPath), problem.line, problem.message.c_str());
  }
  if (!layout.ini_.Problems().empty()) return std::nullopt;
  const auto size = layout.PlaceIn("SCREEN", "Size");
  if (!size) {
    std::fprintf(stderr, "%s: [SCREEN] Size=width,height is missing\n", qPrintable(iniPath));
    return std::nullopt;
  }
  layout.size_ = QSize(static_cast<int>(size->x()), static_cast<int>(size->y()));
  return layout;
}

std::optional<QRectF> Layout::PlaceIn(const QString& section, const QString& key) const {
  const auto value = ini_.Find(U16(section), U16(key));
  if (!value) Fail(QString("%1: [%2] %3 is missing").arg(path_, section, key));
  const std::u16string text(*value);
  // "Size" has two numbers; give it two zeros so the strict reader takes it.
  const auto rect = assetkit::ParseRect(key == "Size" ? text + u",0,0" : text);
  if (!rect) Fail(QString("%1: [%2] %3 is not x,y,w,h").arg(path_, section, key));
  if (rect->IsHidden() && key != "Size") return std::nullopt;
  return QRectF(rect->x, rect->y, rect->w, rect->h);
}

std::optional<QRectF> Layout::Place(const QString& key) const {
  return PlaceIn("BUTTONINFO", key);
}

QRectF Layout::Require(const QString& key) const {
  const auto rect = Place(key);
  if (!rect) Fail(QString("%1: %2 must be visible in this skin").arg(path_, key));
  return *rect;
}

QStringList Layout::KeysWithPrefix(const QString& prefix) const {
  QStringList keys;
  const auto* section = ini_.FindSection(u"BUTTONINFO");
  if (section == nullptr) return keys;
  for (const auto& entry : section->entries) {
    const QString key = QString::fromStdU16String(entry.key);
    if (key.startsWith(prefix) && Place(key)) keys << key;
  }
  return keys;
}

QString Layout::Screen(const QString& key) const {
  const auto value = ini_.Find(u"SCREEN", U16(key));
  return value ? QString::fromStdU16String(std::u16string(*value)) : QString();
}

QRectF UnionOf(const Layout& layout, const QStringList& keys) {
  QRectF all;
  for (const QString& key : keys) {
    if (const auto rect = layout.Place(key)) all = all.isNull() ? *rect : all.united(*rect);
  }
  return all;
}

}  // namespace ombrex::skingen
