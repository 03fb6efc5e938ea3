#pragma once

// The busy indicator's control on the main window: control 1177 at
// "CONTROL_JDTStatic" of the window's "BUTTONINFO", drawn from
// "Skins/jdt1.bmp".."Skins/jdt10.bmp", hidden until an Apply runs. The rules
// are BusyIndicator's; this places the control, draws it and ticks.
//
//   CBusyIndicator::Place(window);                 // the lighting panel's setup
//   if (CBusyIndicator* busy = CBusyIndicator::Find(window)) rules.AttachView(busy);

#include <QTimer>
#include <array>
#include <functional>

#include "app/busy_indicator.h"
#include "widgets/image_static.h"

namespace ombrex {

class CBaseDialog;

class CBusyIndicator final : public CImageStatic, public BusyIndicatorView {
  Q_OBJECT

 public:
  // Creates the indicator as a child of the window, which owns it: placed,
  // its ten pictures taken, hidden.
  static CBusyIndicator& Place(CBaseDialog& window);
  // The indicator Place made on this window, or null.
  static CBusyIndicator* Find(const QWidget& window);

  // What each tick runs (the rules' Tick()).
  void SetTickHandler(std::function<void()> tick);

  void ShowBusyFrame(int frame) override;
  void HideBusy() override;
  void SetBusyTicking(bool on) override;

 private:
  explicit CBusyIndicator(CBaseDialog& window);

  std::array<QPixmap, kBusyFrameCount> frames_;
  QTimer ticker_;
  std::function<void()> tick_;
};

}  // namespace ombrex
