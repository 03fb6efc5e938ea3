#pragma once

// The lighting panel's controls on the main window: every control of the
// panel, created on the window and placed from its skin ("BUTTONINFO"),
// drawing what LightingPanel decides and handing it only what the user does
// (a choice in a list, typing, a slider moved, a click), so showing the
// keyboard's state never writes to it.
//
//   CLightingPanel controls(window, panel);
//   controls.SetupLightingPanel();   // creates, places, attaches, first pictures
//
// The main window lays its controls out before the program's parts exist:
//
//   CLightingPanel controls(window);
//   controls.CreateControls();       // the window's layout
//   controls.Attach(panel);          // once the panel's rules are made
//
// The mode list keeps the arrow keys and wheel steps to itself: each change of
// mode writes to the keyboard, and the user should choose one, not pass
// through them. Window thread only.

#include <QObject>
#include <QPixmap>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/lighting_panel.h"

class QComboBox;
class QWidget;

namespace ombrex {

class CBaseDialog;

class CLightingPanel final : public QObject, public LightingPanelView {
  Q_OBJECT

 public:
  explicit CLightingPanel(CBaseDialog& window);
  CLightingPanel(CBaseDialog& window, LightingPanel& panel);
  ~CLightingPanel() override;

  // Creates and places every control. Until a panel is attached what the
  // user does goes nowhere.
  void CreateControls();
  // Becomes the panel's view and lets it draw its first pictures and labels;
  // from now on the user's actions reach it.
  void Attach(LightingPanel& panel);
  // Both, for the panel given at construction.
  void SetupLightingPanel();

  // A control of the panel by id (nullptr for any other id).
  QWidget* Control(int id) const;
  bool IsModeList(const QObject* object) const;

  // LightingPanelView.
  void ShowControl(int control, bool shown) override;
  void PlaceControl(int control, std::u16string_view skinKey) override;
  void SetText(int control, std::u16string_view text) override;
  void SetPicture(int control, std::u16string_view picture) override;
  void SetSliderPosition(int control, int position) override;
  void SetColour(int control, Rgb colour) override;
  void SetPressed(int control, bool pressed) override;
  void SetListEntries(int control, std::span<const std::u16string> entries) override;
  void SelectListEntry(int control, int index) override;
  void SetListEntry(int control, int index, std::u16string_view text) override;
  void Focus(int control) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* Create(const LightingControl& control);
  // The window may have made a control of the panel already (its report-rate
  // buttons and RGB fields, named by their skin keys): the panel takes that
  // one rather than laying a second over it.
  QWidget* Existing(const LightingControl& control) const;
  template <typename W>
  W& Own(std::unique_ptr<W> widget);
  QComboBox* List(int control) const;
  const QPixmap& Bitmap(std::u16string_view name);
  // Hands a user's action to the panel, when there is one.
  template <typename Action>
  void Forward(Action action);

  CBaseDialog& window_;
  LightingPanel* panel_ = nullptr;
  // Children of the window, gone before it.
  std::vector<std::unique_ptr<QWidget>> owned_;
  std::map<int, QWidget*> controls_;
  std::map<std::u16string, QPixmap, std::less<>> bitmaps_;
  // Controls the skin leaves out (placed at 1,1) never show.
  std::map<int, bool> leftOut_;
};

}  // namespace ombrex
