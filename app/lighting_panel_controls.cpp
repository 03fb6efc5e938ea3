#include "app/lighting_panel_controls.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "platform/text.h"
#include "widgets/base_dialog.h"
#include "widgets/bitmap_slider.h"
#include "widgets/image_static.h"
#include "widgets/png_button.h"
#include "widgets/qt_text.h"
#include "widgets/report_ctrl.h"
#include "widgets/skin_color_button.h"
#include "widgets/skin_pictures.h"
#include "widgets/skin_style.h"

namespace ombrex {

using Kind = LightingControlKind;

namespace {

QColor ToQColor(Rgb colour) {
  return QColor(colour.red, colour.green, colour.blue);
}

Rgb FromQColor(const QColor& colour) {
  return {static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
          static_cast<std::uint8_t>(colour.blue())};
}

bool IsArrowKey(int key) {
  return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right;
}

}  // namespace

CLightingPanel::CLightingPanel(CBaseDialog& window) : window_(window) {}

CLightingPanel::CLightingPanel(CBaseDialog& window, LightingPanel& panel)
    : window_(window), panel_(&panel) {}

CLightingPanel::~CLightingPanel() {
  // A widget going away may still send events (the mode list loses the
  // focus) through this filter: the controls go while it is whole.
  owned_.clear();
}

const QPixmap& CLightingPanel::Bitmap(std::u16string_view name) {
  // The panel's pictures are few and small, and a drag asks for them at every
  // step: each is decoded once and kept with the controls.
  auto found = bitmaps_.find(name);
  if (found == bitmaps_.end()) {
    const std::u16string key(name);
    found = bitmaps_.emplace(key, window_.Pictures().Picture(std::filesystem::path("Skins") / key))
                .first;
  }
  return found->second;
}

template <typename Action>
void CLightingPanel::Forward(Action action) {
  if (panel_ != nullptr) action(*panel_);
}

void CLightingPanel::SetupLightingPanel() {
  CreateControls();
  if (panel_ != nullptr) Attach(*panel_);
}

void CLightingPanel::CreateControls() {
  for (const LightingControl& control : LightingControls()) {
    QWidget* widget = Create(control);
    const Placement place = window_.Skin().Button(control.skinKey);
    widget->setGeometry(place.x, place.y, place.w, place.h);
    leftOut_[control.id] = place.IsHidden();
    widget->setVisible(!place.IsHidden());
    controls_[control.id] = widget;
  }
}

void CLightingPanel::Attach(LightingPanel& panel) {
  panel_ = &panel;
  panel.AttachView(*this);
  panel.SetupLightingPanel(window_.Skin());
}

QWidget* CLightingPanel::Create(const LightingControl& control) {
  const int id = control.id;
  switch (control.kind) {
    case Kind::Label: {
      auto& label = Own(std::make_unique<QLabel>(&window_));
      label.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      ApplySkinStyle(label);
      return &label;
    }
    case Kind::Picture: {
      auto& picture = Own(std::make_unique<CImageStatic>(id, &window_));
      connect(&picture, &CImageStatic::clicked, this,
              [this](int clicked) { Forward([&](LightingPanel& p) { p.OnClicked(clicked); }); });
      return &picture;
    }
    case Kind::Slider: {
      auto& slider = Own(std::make_unique<CBitmapSlider>(id, &window_));
      slider.SetRange(0, 4);
      slider.SetPageSize(10);
      connect(&slider, &CBitmapSlider::positionChanged, this, [this](int slid, int position) {
        Forward([&](LightingPanel& p) { p.OnSlider(slid, position); });
      });
      return &slider;
    }
    case Kind::ColourButton: {
      auto& button = Own(std::make_unique<CSkinColorButton>(id, &window_));
      button.EnableOtherButton(u"other");
      connect(&button, &CSkinColorButton::colourPicked, this, [this](int picked, QColor colour) {
        Forward([&](LightingPanel& p) { p.OnColourPicked(picked, FromQColor(colour)); });
      });
      return &button;
    }
    case Kind::ModeList: {
      auto& list = Own(std::make_unique<QComboBox>(&window_));
      list.installEventFilter(this);
      ApplySkinStyle(list);
      // Only a choice the user made: refilling or selecting from the
      // keyboard's state reports nothing.
      connect(&list, &QComboBox::activated, this,
              [this](int index) { Forward([&](LightingPanel& p) { p.OnModeSelected(index); }); });
      return &list;
    }
    case Kind::UserModeList: {
      auto& list = Own(std::make_unique<QComboBox>(&window_));
      list.setEditable(true);
      // The edit renames the current user mode; it never adds one.
      list.setInsertPolicy(QComboBox::NoInsert);
      ApplySkinStyle(list);
      connect(&list, &QComboBox::activated, this, [this](int index) {
        Forward([&](LightingPanel& p) { p.OnUserModeSelected(index); });
      });
      connect(list.lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        Forward([&](LightingPanel& p) { p.OnUserModeEdited(FromQString(text)); });
      });
      return &list;
    }
    case Kind::ReportButton: {
      auto* button = qobject_cast<CPngButton*>(Existing(control));
      if (button == nullptr) {
        button = &Own(std::make_unique<CPngButton>(id, &window_));
        button->SetPictures(MainWindowFaces(window_.Pictures()));
        const Placement place = window_.Skin().Button(control.skinKey);
        button->SetPictureOrigin(QPoint(place.x, place.y));
      }
      connect(button, &QAbstractButton::clicked, this,
              [this, id] { Forward([&](LightingPanel& p) { p.OnClicked(id); }); });
      return button;
    }
    case Kind::NumberField: {
      auto* field = qobject_cast<QLineEdit*>(Existing(control));
      if (field == nullptr) {
        field = &Own(std::make_unique<CEditBox>(&window_));
        ApplySkinStyle(*field);
      }
      connect(field, &QLineEdit::textEdited, this, [this, id](const QString& text) {
        Forward([&](LightingPanel& p) { p.OnRgbEdited(id, FromQString(text)); });
      });
      return field;
    }
  }
  return nullptr;
}

QWidget* CLightingPanel::Existing(const LightingControl& control) const {
  for (CPngButton* button : window_.findChildren<CPngButton*>(Qt::FindDirectChildrenOnly)) {
    if (button->ControlId() == control.id) return button;
  }
  return window_.findChild<QLineEdit*>(ToQString(control.skinKey), Qt::FindDirectChildrenOnly);
}

template <typename W>
W& CLightingPanel::Own(std::unique_ptr<W> widget) {
  W& kept = *widget;
  owned_.push_back(std::move(widget));
  return kept;
}

QWidget* CLightingPanel::Control(int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

bool CLightingPanel::IsModeList(const QObject* object) const {
  return object != nullptr && object == Control(lighting_control::kModeList);
}

bool CLightingPanel::eventFilter(QObject* watched, QEvent* event) {
  if (!IsModeList(watched)) return false;
  if (event->type() == QEvent::Wheel) return true;
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    return IsArrowKey(static_cast<QKeyEvent*>(event)->key());
  }
  return false;
}

QComboBox* CLightingPanel::List(int control) const {
  return qobject_cast<QComboBox*>(Control(control));
}

void CLightingPanel::ShowControl(int control, bool shown) {
  if (QWidget* widget = Control(control)) widget->setVisible(shown && !leftOut_[control]);
}

void CLightingPanel::PlaceControl(int control, std::u16string_view skinKey) {
  QWidget* widget = Control(control);
  if (widget == nullptr) return;
  const Placement place = window_.Skin().Button(skinKey);
  widget->setGeometry(place.x, place.y, place.w, place.h);
}

void CLightingPanel::SetText(int control, std::u16string_view text) {
  QWidget* widget = Control(control);
  if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(ToQString(text));
  if (auto* field = qobject_cast<QLineEdit*>(widget)) field->setText(ToQString(text));
}

void CLightingPanel::SetPicture(int control, std::u16string_view picture) {
  QWidget* widget = Control(control);
  if (auto* image = qobject_cast<CImageStatic*>(widget)) image->SetPicture(Bitmap(picture));
  if (auto* slider = qobject_cast<CBitmapSlider*>(widget)) slider->SetThumbPicture(Bitmap(picture));
}

void CLightingPanel::SetSliderPosition(int control, int position) {
  if (auto* slider = qobject_cast<CBitmapSlider*>(Control(control))) slider->SetPos(position);
}

void CLightingPanel::SetColour(int control, Rgb colour) {
  if (auto* button = qobject_cast<CSkinColorButton*>(Control(control))) {
    button->SetColour(ToQColor(colour));
  }
}

void CLightingPanel::SetPressed(int control, bool pressed) {
  if (auto* button = qobject_cast<CPngButton*>(Control(control))) button->SetSelected(pressed);
}

void CLightingPanel::SetListEntries(int control, std::span<const std::u16string> entries) {
  QComboBox* list = List(control);
  if (list == nullptr) return;
  const QSignalBlocker quiet(list);
  list->clear();
  for (const std::u16string& entry : entries) list->addItem(ToQString(entry));
}

void CLightingPanel::SelectListEntry(int control, int index) {
  QComboBox* list = List(control);
  if (list == nullptr) return;
  const QSignalBlocker quiet(list);
  list->setCurrentIndex(index < list->count() ? index : -1);
}

void CLightingPanel::SetListEntry(int control, int index, std::u16string_view text) {
  QComboBox* list = List(control);
  if (list == nullptr || index < 0 || index >= list->count()) return;
  const QSignalBlocker quiet(list);
  // Renaming the entry being edited must leave the user's caret where it is.
  QLineEdit* edit = list->lineEdit();
  const int caret = edit != nullptr ? edit->cursorPosition() : 0;
  list->setItemText(index, ToQString(text));
  if (edit != nullptr) edit->setCursorPosition(caret);
}

void CLightingPanel::Focus(int control) {
  if (QWidget* widget = Control(control)) widget->setFocus(Qt::OtherFocusReason);
}

}  // namespace ombrex
