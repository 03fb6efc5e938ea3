#include "tools/skingen/main_art.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <QRegularExpression>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tools/skingen/draw_kit.h"
#include "tools/skingen/legends.h"
#include "tools/skingen/panel_art.h"
#include "tools/skingen/theme.h"

namespace ombrex::skingen {
namespace {

// How every control of one state picture is drawn.
struct MainLook {
  Face keys = Face::Normal;     // key buttons, G1..G7 and Fn
  Face buttons = Face::Normal;  // every other image button
  Face dKeys = Face::Normal;    // D1..D6
  bool bankB = false;           // the bank indicator shows B instead of A
  enum class Light { Plain, Unlit, Rainbow } light = Light::Plain;
};

const QStringList kToolbarKeys{"FUNC_PROFILE1",      "FUNC_PROFILE2",     "FUNC_PROFILE3",
                               "FUNC_PROFILE4",      "FUNC_PROFILES",     "FUNC_MACRO",
                               "CONTROL_DengStaPic", "CONTROL_DengStatic"};
const QStringList kAlwaysShownPanelKeys{"CONTROL_UsbStatic", "FUNC_REPORT1", "FUNC_REPORT2",
                                        "FUNC_REPORT3",      "FUNC_REPORT4", "CONTROL_RGBStatic",
                                        "COLOR_R",           "COLOR_G",      "COLOR_B"};
const QStringList kModePanelKeys{
    "CONTROL_XGcombox",     "CONTROL_LightStatic",   "CONTROL_LightSlider",
    "CONTROL_SpeedStatic",  "CONTROL_SpeedSlider",   "CONTROL_BLFXStatic",
    "CONTROL_BLFXLStaPic",  "CONTROL_BLFXRStaPic",   "CONTROL_BLFXStatic2",
    "CONTROL_BLFXLStaPic2", "CONTROL_BLFXRStaPic2",  "CONTROL_BLFXStatic3",
    "CONTROL_BLFXLStaPic3", "CONTROL_BLFXRStaPic3",  "CONTROL_HXysStatic",
    "CONTROL_HXysButton",   "CONTROL_HXsjsStatic",   "CONTROL_HXsjsStaPic",
    "CONTROL_FYYSStatic",   "CONTROL_FYYSButton",    "CONTROL_FYSJSStatic",
    "CONTROL_FYSJSStaPic",  "CONTROL_HONGPIC",       "CONTROL_HUANGPIC",
    "CONTROL_LVPIC",        "CONTROL_LANPIC",        "CONTROL_USERysStatic",
    "CONTROL_USERysButton", "CONTROL_USERjsStatic",  "CONTROL_USERjsButton",
    "CONTROL_USERgjStatic", "CONTROL_USERgjStaPic1", "CONTROL_USERgjStaPic2",
    "CONTROL_umCombo"};

// Report-rate buttons 1..4 stand for report rates 0..3: 1 ms, 2 ms, 4 ms, 8 ms.
const std::array<const char*, 4> kReportRates{"1000 Hz", "500 Hz", "250 Hz", "125 Hz"};

// Key buttons, G keys and D keys: everything drawn as a key cap.
QStringList KeyButtonKeys(const Layout& layout) {
  static const QRegularExpression numbered("^FUNC_[GD][1-9]$");
  QStringList keys = layout.KeysWithPrefix("KEY_");
  keys << layout.KeysWithPrefix("FUNC_").filter(numbered);
  return keys;
}

QRectF DeckRect(const Layout& layout) {
  QStringList keys = KeyButtonKeys(layout);
  keys << layout.KeysWithPrefix("LOCK_") << layout.KeysWithPrefix("FLIP_");
  return UnionOf(layout, keys).adjusted(-18, -12, 18, 16);
}

QRectF PanelRect(const Layout& layout) {
  const QRectF deck = DeckRect(layout);
  QRectF panel = UnionOf(layout, kAlwaysShownPanelKeys + kModePanelKeys).adjusted(0, -12, 0, 12);
  panel.setLeft(deck.left());
  panel.setRight(deck.right());
  return panel;
}

QColor Hue(qreal fraction, int saturation = 220, int value = 255) {
  return QColor::fromHsv(static_cast<int>(std::fmod(fraction, 1.0) * 359), saturation, value);
}

void PaintDeck(QPainter& p, const Layout& layout) {
  const QRectF deck = DeckRect(layout);
  QLinearGradient body(deck.topLeft(), deck.bottomLeft());
  body.setColorAt(0, QColor(0x22, 0x25, 0x2c));
  body.setColorAt(1, QColor(0x19, 0x1c, 0x21));
  FillRounded(p, deck, 12, body, theme::kDeckEdge);
  p.save();
  p.setPen(QPen(theme::WithAlpha(Qt::white, 18), 1));
  p.drawLine(QPointF(deck.left() + 12, deck.top() + 1.5),
             QPointF(deck.right() - 12, deck.top() + 1.5));
  p.restore();
  // The light strip along the front edge of the body.
  const QRectF strip(deck.left() + 24, deck.bottom() - 6, deck.width() - 48, 2.5);
  QLinearGradient rainbow(strip.topLeft(), strip.topRight());
  for (int i = 0; i <= 6; ++i)
    rainbow.setColorAt(i / 6.0, theme::WithAlpha(Hue(0.5 + i / 6.0), 150));
  FillRounded(p, strip, 1.2, rainbow);
}

void PaintFlipBracket(QPainter& p, const Layout& layout) {
  // A thin bracket ties the D1..D6 strip to the F1..F4 keys it stands in for.
  const auto f1 = layout.Place("KEY_03B");
  const auto f4 = layout.Place("KEY_03E");
  const auto tray = layout.Place("FLIP_0");
  if (!f1 || !f4 || !tray) return;
  const qreal y0 = tray->bottom() + 1;
  const qreal y1 = f1->top() - 2;
  if (y1 - y0 < 3) return;
  const qreal mid = (y0 + y1) / 2;
  p.save();
  p.setPen(QPen(theme::WithAlpha(theme::kAccent, 70), 1));
  p.drawLine(QPointF(tray->center().x(), y0), QPointF(tray->center().x(), mid));
  p.drawLine(QPointF(f1->left() + 6, mid), QPointF(f4->right() - 6, mid));
  p.drawLine(QPointF(f1->left() + 6, mid), QPointF(f1->left() + 6, y1));
  p.drawLine(QPointF(f4->right() - 6, mid), QPointF(f4->right() - 6, y1));
  p.restore();
}

void PaintPanel(QPainter& p, const Layout& layout) {
  const QRectF panel = PanelRect(layout);
  FillRounded(p, panel, 10, theme::kPanel, theme::kHairline);
  // The mode controls move and come and go with the lighting mode; their
  // bitmaps are drawn on this flat colour, so nothing else is drawn here.
  const QRectF always = UnionOf(layout, kAlwaysShownPanelKeys);
  const QRectF modes = UnionOf(layout, kModePanelKeys);
  const qreal divider = (always.right() + modes.left()) / 2;
  p.save();
  p.setPen(QPen(theme::kHairline, 1));
  p.drawLine(QPointF(divider + 0.5, panel.top() + 14), QPointF(divider + 0.5, panel.bottom() - 14));
  p.restore();
}

void PaintBackground(QPainter& p, const Layout& layout) {
  const QRectF all = layout.Bounds();
  p.fillRect(all, theme::kWindow);
  const QRectF toolbar = UnionOf(layout, kToolbarKeys);
  const QRectF header(0, 0, all.width(), toolbar.bottom() + 8);
  QLinearGradient band(header.topLeft(), header.bottomLeft());
  band.setColorAt(0, QColor(0x20, 0x23, 0x2a));
  band.setColorAt(1, theme::kHeader);
  p.fillRect(header, band);
  p.fillRect(QRectF(0, header.bottom() - 1, all.width(), 1), theme::kHairline);
  PaintDeck(p, layout);
  PaintFlipBracket(p, layout);
  PaintPanel(p, layout);
  // Lit rim along the window's rounded outline.
  FillRounded(p, all, 14, Qt::NoBrush, theme::kWindowEdge, 1.0);
}

Face KeyFace(const QString& key, const MainLook& look) {
  if (key == "FUNC_G8" || key == "FUNC_G9") return Face::Disabled;  // never enabled
  if (key.startsWith("FUNC_D")) return look.dKeys;
  return look.keys;
}

void PaintKeys(QPainter& p, const Layout& layout, const MainLook& look) {
  int index = 0;
  const QRectF deck = DeckRect(layout);
  for (const QString& key : KeyButtonKeys(layout)) {
    const auto legend = LegendFor(key);
    if (!legend) {
      std::fprintf(stderr, "ombrex-skingen: no legend for %s\n", qPrintable(key));
      std::exit(1);
    }
    const QRectF r = layout.Require(key);
    const CapStyle style = key.startsWith("FUNC_G")   ? CapStyle::GKey
                           : key.startsWith("FUNC_D") ? CapStyle::Small
                                                      : CapStyle::Standard;
    Face face = KeyFace(key, look);
    if (look.light != MainLook::Light::Plain && face != Face::Disabled) {
      // The lighting pictures show the caps lit from below.
      const bool rainbow = look.light == MainLook::Light::Rainbow;
      const QColor glow =
          rainbow ? Hue((r.center().x() - deck.left()) / deck.width()) : theme::kTextDim;
      DrawKeycap(p, r, Face::Normal, *legend, style);
      FillRounded(p, r.adjusted(2, 2, -2, -2), 5, Qt::NoBrush, theme::WithAlpha(glow, 170), 1.4);
    } else {
      DrawKeycap(p, r, face, *legend, style);
    }
    ++index;
  }
}

void PaintIndicator(QPainter& p, const QRectF& r, const QString& label) {
  const QRectF led(r.left() + 4, r.center().y() - 3, 6, 6);
  p.save();
  p.setPen(QPen(theme::WithAlpha(theme::kAccent, 120), 1));
  p.setBrush(theme::kTray);
  p.drawEllipse(led);
  p.restore();
  DrawFittedText(p, QRectF(led.right() + 4, r.top(), r.right() - led.right() - 4, r.height()),
                 label, 8.5, true, theme::kTextMuted, Qt::AlignLeft | Qt::AlignVCenter);
}

void PaintBankIndicator(QPainter& p, const QRectF& r, bool bankB) {
  FillRounded(p, r.adjusted(1, 1, -1, -1), 6, theme::kTray, theme::kHairline);
  const QRectF a(r.left(), r.top() + 4, r.width() / 2, r.height() - 12);
  const QRectF b(r.center().x(), r.top() + 4, r.width() / 2, r.height() - 12);
  DrawFittedText(p, a.adjusted(2, 0, 0, 0), "A", 12, true,
                 bankB ? theme::kTextDim : theme::kAccent);
  DrawFittedText(p, b.adjusted(0, 0, -2, 0), "B", 12, true,
                 bankB ? theme::kMarked : theme::kTextDim);
  const QRectF lit = bankB ? b : a;
  FillRounded(p, QRectF(lit.center().x() - 5, r.bottom() - 7, 10, 2), 1,
              bankB ? theme::kMarked : theme::kAccent);
}

void PaintLink(QPainter& p, const QRectF& r, Face face) {
  const QColor text = face == Face::Over   ? Qt::white
                      : face == Face::Down ? theme::kTextMuted
                                           : theme::kText;
  const QColor accent = face == Face::Down ? theme::kAccent.darker(140) : theme::kAccent;
  DrawWordmark(p, r, text, accent);
}

void PaintIconButton(QPainter& p, const Layout& layout, const QString& key, Face face,
                     PlateStyle style, Icon icon) {
  const auto r = layout.Place(key);
  if (!r) return;
  DrawPlate(p, *r, face, style);
  const QRectF box = r->adjusted(r->width() / 2 - 9, r->height() / 2 - 9, -(r->width() / 2 - 9),
                                 -(r->height() / 2 - 9));
  DrawIcon(p, box, icon,
           style == PlateStyle::Close && face == Face::Over ? Qt::white : IconColor(face));
}

// A captioned button: the program writes the caption; an icon, when given,
// sits at the left edge where a centred caption does not reach.
void PaintCaptionButton(QPainter& p, const Layout& layout, const QString& key, Face face,
                        PlateStyle style = PlateStyle::Default, std::optional<Icon> icon = {}) {
  const auto r = layout.Place(key);
  if (!r) return;
  DrawPlate(p, *r, face, style);
  if (icon) DrawIcon(p, QRectF(r->left() + 8, r->center().y() - 8, 16, 16), *icon, IconColor(face));
}

void PaintButtons(QPainter& p, const Layout& layout, const MainLook& look) {
  const Face f = look.buttons;
  if (const auto r = layout.Place("TIRVAN_LINK"))
    PaintLink(p, *r, f == Face::Disabled ? Face::Normal : f);
  // The version field stays empty here: the window writes its text
  // ("MAIN_BUTTON_TIRVAN_VER" of the language files) over it.
  PaintIconButton(p, layout, "CONTROL_MENU", f, PlateStyle::Window, Icon::Menu);
  PaintIconButton(p, layout, "CONTROL_HELP", f, PlateStyle::Window, Icon::Help);
  PaintIconButton(p, layout, "CONTROL_MINIMIZE", f, PlateStyle::Window, Icon::Minimize);
  PaintIconButton(p, layout, "CONTROL_CLOSE", f, PlateStyle::Close, Icon::Close);
  for (int i = 1; i <= 4; ++i) PaintCaptionButton(p, layout, QString("FUNC_PROFILE%1").arg(i), f);
  PaintCaptionButton(p, layout, "FUNC_PROFILES", f, PlateStyle::Default, Icon::Folder);
  PaintCaptionButton(p, layout, "FUNC_MACRO", f, PlateStyle::Default, Icon::Macro);
  PaintCaptionButton(p, layout, "FUNC_SWITCH", f);
  PaintCaptionButton(p, layout, "FUNC_DEFAULT", f, PlateStyle::Default, Icon::Reset);
  PaintCaptionButton(p, layout, "CONTROL_OK", f);
  PaintCaptionButton(p, layout, "CONTROL_CANCEL", f);
  PaintCaptionButton(p, layout, "CONTROL2_APPLY", f, PlateStyle::Primary);
  for (int i = 0; i < 4; ++i) {
    const auto r = layout.Place(QString("FUNC_REPORT%1").arg(i + 1));
    if (!r) continue;
    DrawPlate(p, *r, f);
    DrawFittedText(p, r->adjusted(4, 0, -4, 0), kReportRates[i], 10, false,
                   f == Face::Down       ? theme::kAccent
                   : f == Face::Disabled ? theme::kTextDim
                                         : theme::kText);
  }
  // The Flip group: tray, two switches and (in their own picture) the arrows.
  if (const auto r = layout.Place("FLIP_0")) FillRounded(p, *r, 7, theme::kTray, theme::kHairline);
  PaintIconButton(p, layout, "FLIP_1", f, PlateStyle::Default, Icon::Swap);
  PaintIconButton(p, layout, "FLIP_2", f, PlateStyle::Default, Icon::Swap);
  for (const char* name : {"CAPS", "NUM", "SCROLL"}) {
    const QString label = QString(name) == "SCROLL" ? "SCRL" : QString(name);
    if (const auto r = layout.Place(QString("LOCK_") + name)) PaintIndicator(p, *r, label);
  }
  if (const auto r = layout.Place("LOCK_AB")) PaintBankIndicator(p, *r, look.bankB);
}

void PaintMainWindow(QPainter& p, const Layout& layout, const MainLook& look) {
  PaintBackground(p, layout);
  PaintButtons(p, layout, look);
  PaintKeys(p, layout, look);
}

void PaintMask(QPainter& p, const Layout& layout) {
  // Pure white is outside the window. No smoothing: every pixel is either in
  // or out, and the rounded corners come out the same at both densities.
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(layout.Bounds(), Qt::white);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawRoundedRect(layout.Bounds(), 14, 14);
}

// Arrow.jpg: one sprite per origin of "BUTTONINFO2", each cut from the
// window at its arrow's place so it sits on the Flip tray without a seam.
void WriteArrows(PictureWriter& out, const Layout& layout, const std::array<QImage, 2>& normal) {
  struct Sprite {
    const char* origin;
    const char* place;
    Icon icon;
    bool lit;
  };
  const std::array<Sprite, 8> sprites{{
      {"UP_ARROW_LEFT1", "LEFT_ARROW", Icon::ArrowRight, false},
      {"UP_ARROW_LEFT2", "LEFT_ARROW", Icon::ArrowRight, true},
      {"DOWN_ARROW_LEFT1", "LEFT_ARROW", Icon::ArrowDown, false},
      {"DOWN_ARROW_LEFT2", "LEFT_ARROW", Icon::ArrowDown, true},
      {"UP_ARROW_RIGHT1", "RIGHT_ARROW", Icon::ArrowLeft, false},
      {"UP_ARROW_RIGHT2", "RIGHT_ARROW", Icon::ArrowLeft, true},
      {"DOWN_ARROW_RIGHT1", "RIGHT_ARROW", Icon::ArrowDown, false},
      {"DOWN_ARROW_RIGHT2", "RIGHT_ARROW", Icon::ArrowDown, true},
  }};
  QRectF sheet;
  for (const Sprite& s : sprites) {
    const auto origin = layout.PlaceIn("BUTTONINFO2", s.origin);
    if (origin) sheet = sheet.united(QRectF(0, 0, origin->right(), origin->bottom()));
  }
  for (int i = 0; i < 2; ++i) {
    const int scale = kScales[i];
    const QImage whole = normal[i];
    out.Save("Arrow.jpg", scale, Render(sheet.size().toSize(), scale, [&](QPainter& p) {
               p.fillRect(sheet, theme::kTray);
               for (const Sprite& s : sprites) {
                 const auto origin = layout.PlaceIn("BUTTONINFO2", s.origin);
                 const QRectF place = layout.Require(s.place);
                 if (!origin) continue;
                 const QImage base = RenderOver(whole, scale, place, [&](QPainter& q) {
                   const qreal side = std::min(place.width(), place.height()) - 2;
                   const QRectF box(place.width() / 2 - side / 2, place.height() / 2 - side / 2,
                                    side, side);
                   DrawIcon(q, box, s.icon,
                            s.lit ? theme::kAccent : theme::WithAlpha(theme::kAccent, 150));
                 });
                 p.drawImage(QRectF(origin->topLeft(), place.size()), base);
               }
             }));
  }
}

}  // namespace

void WriteMainPictures(PictureWriter& out, const Layout& layout) {
  struct State {
    const char* file;
    MainLook look;
  };
  MainLook over{Face::Over, Face::Over, Face::Over};
  MainLook down{Face::Down, Face::Down, Face::Down};
  MainLook marked{Face::Marked, Face::Disabled, Face::Disabled, true};
  MainLook unlit;
  unlit.light = MainLook::Light::Unlit;
  MainLook rainbow;
  rainbow.light = MainLook::Light::Rainbow;
  const std::array<State, 6> states{{{"main_normal.jpg", MainLook{}},
                                     {"main_over.jpg", over},
                                     {"main_down.jpg", down},
                                     {"main_disable.jpg", marked},
                                     {"main_color0.jpg", unlit},
                                     {"main_color1.jpg", rainbow}}};
  std::array<QImage, 2> normal;
  for (const State& state : states) {
    for (int i = 0; i < 2; ++i) {
      QImage image = Render(layout.Size(), kScales[i],
                            [&](QPainter& p) { PaintMainWindow(p, layout, state.look); });
      out.Save(state.file, kScales[i], image);
      if (QString(state.file) == "main_normal.jpg") normal[i] = image;
    }
  }
  out.SaveBoth(layout.Screen("Mask"), layout.Size(), [&](QPainter& p) { PaintMask(p, layout); });
  WriteArrows(out, layout, normal);
  WritePanelBitmaps(out, layout, normal);
}

}  // namespace ombrex::skingen
