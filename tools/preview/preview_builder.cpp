#include "tools/preview/preview_builder.h"

#include <QRegularExpressionValidator>

#include "widgets/qt_text.h"
#include "widgets/skin_pictures.h"
#include "widgets/skin_style.h"

namespace ombrex::preview {

PreviewDialog::PreviewDialog(SkinPictures& pictures, const std::filesystem::path& skinFile,
                             const PreviewTexts& texts, QString name)
    : dialog_(std::make_unique<CBaseDialog>(pictures, skinFile)),
      texts_(texts),
      name_(std::move(name)) {
  ApplySkinStyle(*dialog_);
  skinned_ = dialog_->ApplySkinScreen();
}

template <typename W>
W& PreviewDialog::Keep(std::u16string_view key, W* widget) {
  if (widget->objectName().isEmpty()) widget->setObjectName(ToQString(key));
  controls_[std::u16string(key)] = widget;
  return *widget;
}

void PreviewDialog::Adopt(std::u16string_view key, QWidget& control) {
  Keep(key, &control);
}

CPngButton& PreviewDialog::ImageButton(std::u16string_view key, int id,
                                       const ButtonPictures& pictures, const QString& caption) {
  auto* button = new CPngButton(id, dialog_.get());
  dialog_->PlaceImageButton(*button, key, pictures);
  button->setText(caption);
  return Keep(key, button);
}

QLabel& PreviewDialog::Label(std::u16string_view key, const QString& text) {
  auto* label = new QLabel(text, dialog_.get());
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  dialog_->PlaceControl(*label, key);
  return Keep(key, label);
}

CImageStatic& PreviewDialog::Picture(std::u16string_view key, int id, const QPixmap& picture) {
  auto* image = new CImageStatic(id, dialog_.get());
  image->SetPicture(picture);
  dialog_->PlaceControl(*image, key);
  return Keep(key, image);
}

CBitmapSlider& PreviewDialog::Slider(std::u16string_view key, int id, const QPixmap& thumb) {
  auto* slider = new CBitmapSlider(id, dialog_.get());
  slider->SetRange(0, 4);
  slider->SetPageSize(10);
  slider->SetThumbPicture(thumb);
  dialog_->PlaceControl(*slider, key);
  return Keep(key, slider);
}

CSkinColorButton& PreviewDialog::ColourButton(std::u16string_view key, int id,
                                              const QColor& colour) {
  auto* button = new CSkinColorButton(id, dialog_.get());
  button->SetColour(colour);
  button->EnableOtherButton(u"other");
  dialog_->PlaceControl(*button, key);
  return Keep(key, button);
}

QComboBox& PreviewDialog::DropDown(std::u16string_view key, const QStringList& entries,
                                   bool editable) {
  auto* combo = new QComboBox(dialog_.get());
  combo->setEditable(editable);
  combo->addItems(entries);
  dialog_->PlaceControl(*combo, key);
  return Keep(key, combo);
}

QLineEdit& PreviewDialog::Edit(std::u16string_view key, const QString& text, bool digitsOnly) {
  QLineEdit* edit = digitsOnly ? new CEditBox(dialog_.get()) : new QLineEdit(dialog_.get());
  edit->setText(text);
  dialog_->PlaceControl(*edit, key);
  return Keep(key, edit);
}

QCheckBox& PreviewDialog::CheckBox(std::u16string_view key, bool checked) {
  auto* box = new QCheckBox(dialog_.get());
  box->setChecked(checked);
  dialog_->PlaceControl(*box, key);
  return Keep(key, box);
}

CReportCtrl& PreviewDialog::List(std::u16string_view key) {
  auto* list = new CReportCtrl(dialog_.get());
  const SkinColours colours;
  list->Header().SetColours(colours.header, colours.mutedText);
  dialog_->PlaceControl(*list, key);
  return Keep(key, list);
}

QWidget* PreviewDialog::Find(std::u16string_view key) const {
  auto found = controls_.find(key);
  return found == controls_.end() ? nullptr : found->second;
}

void PreviewDialog::Show(std::u16string_view key, bool shown) {
  QWidget* control = Find(key);
  if (control == nullptr) return;
  // A control the skin leaves out stays hidden whatever the view.
  const bool placedAway = control->geometry().topLeft() == QPoint(1, 1);
  control->setVisible(shown && !placedAway);
}

QStringList LayoutProblems(const QString& windowName, const QWidget& window,
                           const NamedControls& controls, const QStringList& behind) {
  QStringList problems;
  const QRect area = window.rect();
  std::vector<std::pair<QString, QRect>> shown;
  for (const auto& [name, control] : controls) {
    if (control->isHidden()) continue;
    if (!area.contains(control->geometry())) {
      problems << QStringLiteral("%1: %2 reaches outside the window").arg(windowName, name);
    }
    if (!behind.contains(name)) shown.emplace_back(name, control->geometry());
  }
  for (std::size_t i = 0; i < shown.size(); ++i) {
    for (std::size_t j = i + 1; j < shown.size(); ++j) {
      if (shown[i].second.intersects(shown[j].second)) {
        problems
            << QStringLiteral("%1: %2 overlaps %3").arg(windowName, shown[i].first, shown[j].first);
      }
    }
  }
  return problems;
}

QStringList PreviewDialog::Problems(const QStringList& behind) const {
  NamedControls controls;
  for (const auto& [key, control] : controls_) controls.emplace_back(ToQString(key), control);
  return LayoutProblems(name_, *dialog_, controls, behind);
}

}  // namespace ombrex::preview
