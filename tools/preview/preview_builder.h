#pragma once

// Puts controls on a skinned dialog by skin key and remembers them, so a
// preview can show, hide and check them by the names the skin file uses.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/preview/preview_texts.h"
#include "widgets/base_dialog.h"
#include "widgets/bitmap_slider.h"
#include "widgets/image_static.h"
#include "widgets/png_button.h"
#include "widgets/report_ctrl.h"
#include "widgets/skin_color_button.h"

namespace ombrex::preview {

// One window to take a picture of.
class PreviewWindow {
 public:
  virtual ~PreviewWindow() = default;
  virtual CBaseDialog& Dialog() = 0;
  virtual const QString& Name() const = 0;
  // Visible controls that overlap where they should not or leave the window;
  // `behind` names controls meant to lie under others (a page background).
  virtual QStringList Problems(const QStringList& behind) const = 0;
};

// The visible controls of `controls` (by name) that leave `window` or
// overlap one another, reported as `windowName`: NAME reaches outside ...
using NamedControls = std::vector<std::pair<QString, const QWidget*>>;
QStringList LayoutProblems(const QString& windowName, const QWidget& window,
                           const NamedControls& controls, const QStringList& behind);

class PreviewDialog : public PreviewWindow {
 public:
  PreviewDialog(SkinPictures& pictures, const std::filesystem::path& skinFile,
                const PreviewTexts& texts, QString name);

  CBaseDialog& Dialog() override { return *dialog_; }
  const PreviewTexts& Texts() const { return texts_; }
  const QString& Name() const override { return name_; }
  void SetName(QString name) { name_ = std::move(name); }
  bool Skinned() const { return skinned_; }

  CPngButton& ImageButton(std::u16string_view key, int id, const ButtonPictures& pictures,
                          const QString& caption = {});
  QLabel& Label(std::u16string_view key, const QString& text);
  CImageStatic& Picture(std::u16string_view key, int id, const QPixmap& picture);
  CBitmapSlider& Slider(std::u16string_view key, int id, const QPixmap& thumb);
  CSkinColorButton& ColourButton(std::u16string_view key, int id, const QColor& colour);
  QComboBox& DropDown(std::u16string_view key, const QStringList& entries, bool editable);
  QLineEdit& Edit(std::u16string_view key, const QString& text, bool digitsOnly);
  QCheckBox& CheckBox(std::u16string_view key, bool checked);
  CReportCtrl& List(std::u16string_view key);

  // A control made elsewhere (a panel of the real dialog), checked like the
  // others under its skin key; it takes the key's place.
  void Adopt(std::u16string_view key, QWidget& control);
  // What the dialog's controls need for as long as they live (the real
  // panels behind them); let go before the dialog.
  void KeepAlive(std::shared_ptr<void> part) { parts_.push_back(std::move(part)); }

  QWidget* Find(std::u16string_view key) const;
  void Show(std::u16string_view key, bool shown);

  QStringList Problems(const QStringList& behind) const override;

 private:
  template <typename W>
  W& Keep(std::u16string_view key, W* widget);

  std::unique_ptr<CBaseDialog> dialog_;
  const PreviewTexts& texts_;
  QString name_;
  bool skinned_ = false;
  std::map<std::u16string, QWidget*, std::less<>> controls_;
  std::vector<std::shared_ptr<void>> parts_;
};

}  // namespace ombrex::preview
