#pragma once

// The busy indicator's control on the main window: control 1177 at
// "CONTROL_JDTStatic" of the window's "BUTTONINFO", drawn from
// "Skins/jdt1.bmp".."Skins/jdt10.bmp", hidden until an Apply runs. The rules
// are BusyIndicator's; this places the control, draws it and ticks.
//
//   busy_ = CBusyIndicator::Place(window);         // the lighting panel's setup keeps it
//   if (CBusyIndicator* busy = CBusyIndicator::Find(window)) rules.AttachView(busy);

#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "app/busy_indicator.h"
#include "widgets/image_static.h"

namespace ombrex {

class CBaseDialog;

class CBusyIndicator final : public CImageStatic, public BusyIndicatorView {
  Q_OBJECT

 public:
  // Creates the indicator as a child of the window: placed, its ten
  // pictures taken, hidden. The caller keeps it for as long as the window.
  static std::unique_ptr<CBusyIndicator> Place(CBaseDialog& window);
  // The indicator Place made on this window, or null.
  static CBusyIndicator* Find(const QWidget& window);

  // What each tick runs (the rules' Tick()).
  void SetTickHandler(std::function<void()> tick);

  void ShowBusyFrame(int frame) override;
  void HideBusy() override;
  void SetBusyTicking(bool on) override;

 private:
  // Only Place makes one.
  struct Key {};

 public:
  CBusyIndicator(Key, CBaseDialog& window);

 private:
  std::array<QPixmap, kBusyFrameCount> frames_;
  QTimer ticker_;
  std::function<void()> tick_;
};

}  // namespace ombrex
