#pragma once

// The main window's side of the lighting panel: what the window's rules ask
// of the panel when a profile button is pressed, the keyboard was read or
// switched its profile, a key is clicked in the lighting view, the language
// changes or a slider moved. LightingPanel (app/lighting_panel.h) is the
// one the program uses.

namespace ombrex {

class LightingPanelHost {
 public:
  virtual ~LightingPanelHost() = default;

  // The user modes of the shown profile into the user-mode list (mode 20).
  virtual void RefillUserModes() = 0;
  // The shown profile's current user mode, its colours sent to the keyboard.
  virtual void LoadCurrentUserMode() = 0;
  // Every control from the host lighting state.
  virtual void RefreshLightingPanel() = 0;
  // The lighting view is shown (key clicks paint rather than edit).
  virtual bool LightingView() const = 0;
  virtual void LightingViewOff() = 0;
  // A key click paints now: lighting view, mode 20 selected.
  virtual bool Paints() const = 0;
  virtual void PaintKey(int button) = 0;
  // The keyboard went away: the focus goes to the mode list.
  virtual void FocusModeList() = 0;
  virtual void ApplyLanguage(int languageIndex) = 0;
  // A lighting slider reports its position (message 0x28D1).
  virtual void OnSlider(int controlId, int position) = 0;
};

}  // namespace ombrex
