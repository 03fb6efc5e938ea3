#include "tools/skingen/dialog_art.h"

#include <QLinearGradient>
#include <array>

#include "tools/skingen/draw_kit.h"
#include "tools/skingen/theme.h"

namespace ombrex::skingen {
namespace {

constexpr qreal kDialogRadius = 12;

enum class Page { Key, Macro, Media, Function };

struct CompositeLook {
  Page page = Page::Key;
  Face face = Face::Normal;
  bool macroOnly = false;  // the editor opened from the Macro button
};

struct Tab {
  const char* key;
  Page page;
};
constexpr std::array<Tab, 4> kTabs{{{"CONTROL_KEY", Page::Key},
                                    {"CONTROL_MACRO", Page::Macro},
                                    {"CONTROL_MEDIA", Page::Media},
                                    {"CONTROL_FUNCTION", Page::Function}}};

void PaintDialogFrame(QPainter& p, const Layout& layout, qreal headerBottom) {
  const QRectF all = layout.Bounds();
  p.fillRect(all, theme::kWindow);
  QLinearGradient band(QPointF(0, 0), QPointF(0, headerBottom));
  band.setColorAt(0, QColor(0x20, 0x23, 0x2a));
  band.setColorAt(1, theme::kHeader);
  p.fillRect(QRectF(0, 0, all.width(), headerBottom), band);
  p.fillRect(QRectF(0, headerBottom - 1, all.width(), 1), theme::kHairline);
  FillRounded(p, all, kDialogRadius, Qt::NoBrush, theme::kWindowEdge, 1.0);
}

void PaintIconButton(QPainter& p, const QRectF& r, Face face, Icon icon,
                     PlateStyle style = PlateStyle::Default) {
  DrawPlate(p, r, face, style);
  const qreal side = std::min(r.width(), r.height()) - 12;
  DrawIcon(p, QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side), icon,
           IconColor(face));
}

// A captioned button; its optional icon keeps to the left edge, clear of
// the caption the program centres on it.
void PaintCaptionButton(QPainter& p, const Layout& layout, const QString& key, Face face,
                        PlateStyle style = PlateStyle::Default, std::optional<Icon> icon = {},
                        std::optional<QColor> iconColour = {}) {
  const auto r = layout.Place(key);
  if (!r) return;
  DrawPlate(p, *r, face, style);
  if (!icon) return;
  const QColor colour =
      face == Face::Disabled ? theme::kTextDim : iconColour.value_or(IconColor(face));
  DrawIcon(p, QRectF(r->left() + 8, r->center().y() - 8, 16, 16), *icon, colour);
}

void PaintTitleMark(QPainter& p, const QRectF& r, bool macroOnly) {
  FillRounded(p, r.adjusted(1, 1, -1, -1), 8, theme::kCapSkirt, theme::kAccent, 1.5);
  if (macroOnly) {
    DrawIcon(p, r.adjusted(8, 8, -8, -8), Icon::Macro, theme::kAccent);
  } else {
    FillRounded(p, r.adjusted(11, 11, -11, -11), (r.width() - 22) / 2, Qt::NoBrush, theme::kAccent,
                2.4);
  }
}

// Large, faint pictures in the free part of each page, so a page is
// recognisable at a glance.
void PaintPageArt(QPainter& p, const QRectF& area, Page page) {
  const QColor ink = theme::WithAlpha(theme::kAccent, 60);
  const QColor cap = theme::WithAlpha(theme::kCapTop, 150);
  const QPointF c = area.center();
  switch (page) {
    case Page::Key: {
      const QRectF key(c.x() - 62, c.y() - 48, 64, 64);
      DrawKeycap(p, key, Face::Normal, Legend{"A", "", "", false});
      DrawIcon(p, QRectF(key.right() + 6, key.center().y() - 12, 24, 24), Icon::ArrowRight, ink);
      const QRectF mouse(key.right() + 36, key.top() + 2, 40, 60);
      FillRounded(p, mouse, 18, cap, theme::WithAlpha(theme::kAccent, 90), 1.5);
      p.save();
      p.setPen(QPen(theme::WithAlpha(theme::kAccent, 90), 1.5));
      p.drawLine(QPointF(mouse.center().x(), mouse.top() + 2),
                 QPointF(mouse.center().x(), mouse.top() + 22));
      p.restore();
      break;
    }
    case Page::Media:
      DrawIcon(p, QRectF(c.x() - 70, c.y() - 34, 64, 64), Icon::Play, ink);
      DrawIcon(p, QRectF(c.x() + 6, c.y() - 34, 64, 64), Icon::Volume, ink);
      break;
    case Page::Function: {
      const QRectF ctrl(c.x() - 86, c.y() - 30, 76, 56);
      const QRectF letter(c.x() + 14, c.y() - 30, 56, 56);
      DrawKeycap(p, ctrl, Face::Normal, Legend{"Ctrl", "", "", false});
      DrawKeycap(p, letter, Face::Normal, Legend{"C", "", "", false});
      DrawIcon(p, QRectF(c.x() - 10, c.y() - 12, 20, 20), Icon::Plus, ink);
      break;
    }
    case Page::Macro:
      break;
  }
}

void PaintMacroButtons(QPainter& p, const Layout& layout, Face face) {
  for (const auto& [key, icon] :
       {std::pair{"FUNC_MACRO_ADD", Icon::Plus}, std::pair{"FUNC_MACRO_DELETE", Icon::Minus}}) {
    if (const auto r = layout.Place(key)) PaintIconButton(p, *r, face, icon);
  }
  PaintCaptionButton(p, layout, "FUNC_MACRO_RECORD", face, PlateStyle::Default, Icon::Record,
                     theme::kDanger);
  PaintCaptionButton(p, layout, "FUNC_MACRO_DELETE2", face);
  PaintCaptionButton(p, layout, "FUNC_MACRO_CLEAR", face);
  PaintCaptionButton(p, layout, "FUNC_MACRO_UP_TOP", face);
  PaintCaptionButton(p, layout, "FUNC_MACRO_UP", face);
  PaintCaptionButton(p, layout, "FUNC_MACRO_DOWN", face);
  PaintCaptionButton(p, layout, "FUNC_MACRO_DOWN_BOTTOM", face);
}

void PaintComposite(QPainter& p, const Layout& layout, const CompositeLook& look) {
  const QRectF firstTab = layout.Require("CONTROL_KEY");
  PaintDialogFrame(p, layout, firstTab.top() - 8);
  const Face f = look.face;
  if (const auto r = layout.Place("CONTROL_TITLE")) PaintTitleMark(p, *r, look.macroOnly);
  if (const auto r = layout.Place("CONTROL_OSK")) PaintIconButton(p, *r, f, Icon::Keyboard);

  const QRectF mask = layout.Require("CONTROL_MASK");
  FillRounded(p, mask, 8, theme::kPanel, theme::kHairline);
  for (const Tab& tab : kTabs) {
    const bool hidden = look.macroOnly && tab.page != Page::Macro;
    const auto r = layout.Place(tab.key);
    if (!r || hidden) continue;  // the macro-only editor has no other pages
    DrawPlate(p, *r, f, tab.page == look.page ? PlateStyle::TabActive : PlateStyle::Tab);
  }
  PaintPageArt(p, mask.adjusted(mask.width() * 0.6, 0, 0, 0), look.page);
  if (look.page == Page::Macro) PaintMacroButtons(p, layout, f);

  // The macro-only editor keeps Clear, disabled, under its greyed caption.
  PaintCaptionButton(p, layout, "CONTROL_CLEAR", look.macroOnly ? Face::Disabled : f,
                     PlateStyle::Default, Icon::Reset);
  PaintCaptionButton(p, layout, "CONTROL_OK", f, PlateStyle::Primary);
  PaintCaptionButton(p, layout, "CONTROL_CANCEL", f);
  // The editor's Apply has no caption of its own: a check mark says it.
  if (const auto r = layout.Place("CONTROL_APPLY")) PaintIconButton(p, *r, f, Icon::Check);
}

void PaintProfile(QPainter& p, const Layout& layout, Face face) {
  const QRectF list = layout.Require("PROGRAM_LIST");
  PaintDialogFrame(p, layout, list.top() - 10);
  DrawWordmark(p, QRectF(list.left(), 10, 150, 30), theme::kText, theme::kAccent);
  DrawIcon(p, QRectF(list.right() - 26, 14, 24, 24), Icon::Folder, theme::kAccent);
  FillRounded(p, list.adjusted(-1, -1, 1, 1), 4, theme::kPanel, theme::kHairline);
  PaintCaptionButton(p, layout, "FUNC_ADD", face, PlateStyle::Default, Icon::Plus);
  PaintCaptionButton(p, layout, "FUNC_LOAD", face, PlateStyle::Default, Icon::Folder);
  PaintCaptionButton(p, layout, "FUNC_DELETE", face, PlateStyle::Default, Icon::Trash);
  PaintCaptionButton(p, layout, "CONTROL_OK", face, PlateStyle::Primary);
  PaintCaptionButton(p, layout, "CONTROL_CANCEL", face);
  PaintCaptionButton(p, layout, "CONTROL2_APPLY", face);
}

}  // namespace

void PaintDialogMask(QPainter& p, const Layout& layout, qreal radius) {
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(layout.Bounds(), Qt::white);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawRoundedRect(layout.Bounds(), radius, radius);
}

void WriteCompositePictures(PictureWriter& out, const Layout& layout) {
  struct Set {
    const char* prefix;
    Page page;
    bool macroOnly;
    bool hasDisabled;
  };
  const std::array<Set, 5> sets{{{"key", Page::Key, false, false},
                                 {"macro", Page::Macro, false, true},
                                 {"macro2", Page::Macro, true, true},
                                 {"media", Page::Media, false, false},
                                 {"function", Page::Function, false, false}}};
  const std::array<std::pair<const char*, Face>, 4> faces{{{"normal", Face::Normal},
                                                           {"over", Face::Over},
                                                           {"down", Face::Down},
                                                           {"disable", Face::Disabled}}};
  for (const Set& set : sets) {
    for (const auto& [name, face] : faces) {
      if (face == Face::Disabled && !set.hasDisabled) continue;
      const CompositeLook look{set.page, face, set.macroOnly};
      out.SaveBoth(QString("%1_%2.jpg").arg(set.prefix, name), layout.Size(),
                   [&](QPainter& p) { PaintComposite(p, layout, look); });
    }
  }
  out.SaveBoth(layout.Screen("Mask"), layout.Size(),
               [&](QPainter& p) { PaintDialogMask(p, layout, kDialogRadius); });
}

void WriteProfilePictures(PictureWriter& out, const Layout& layout) {
  // The pressed picture also shows disabled buttons, so it presses without
  // the accent a live button would show.
  const std::array<std::pair<const char*, Face>, 3> faces{{{"Profile_normal.jpg", Face::Normal},
                                                           {"Profile_over.jpg", Face::Over},
                                                           {"Profile_down.jpg", Face::Disabled}}};
  for (const auto& [file, face] : faces) {
    out.SaveBoth(file, layout.Size(),
                 [&, face = face](QPainter& p) { PaintProfile(p, layout, face); });
  }
  out.SaveBoth(layout.Screen("Mask"), layout.Size(),
               [&](QPainter& p) { PaintDialogMask(p, layout, kDialogRadius); });
}

}  // namespace ombrex::skingen
