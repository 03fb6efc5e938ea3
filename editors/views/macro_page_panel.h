#pragma once

// The macro page's controls on the key assignment editor: the name list
// 1126, add 1017 and delete 1018, the cycles field 1125 with its caption
// 1130, the action list 1019, the record button 1020, the row buttons
// 1021..1026, the record-delay check box 1027 with its caption 1133, and the
// macro memory gauge. It creates them on the editor's dialog, places them
// from the dialog's skin ("BUTTONINFO"), draws what the MacroPage holds and
// forwards every user action to it; the rules are all in MacroPage.
//
// The editor's dialog only makes it and shows or hides it with the page:
//
//   MacroPagePanel macroPanel(dialog, page, texts);   // after the dialog's skin is applied
//   macroPanel.SetNameListFont(verdana12);            // fonts of the dialog's initialisation
//   macroPanel.SetVisible(kind == 4);                 // every page switch
//   macroPanel.ApplyTexts();                          // the language message
//   macroPanel.FinishCellEdit();                      // first step of Apply
//
// It redraws itself whenever the page changes, whoever changed it (the
// editor's StopRecording included), and runs its own key filter exactly while
// the page records, so keys reach the recorder only from the editor's window
// and only then.

#include <QFont>
#include <QObject>
#include <QPointer>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/key_names.h"
#include "model/macro.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace ombrex {

class CBaseDialog;
class CMemoryGauge;
class CPngButton;
class CReportCtrl;
class DetectableAutoRepeat;
class KeyMessageFilter;
class MacroPage;
class Texts;
struct CellEdit;

namespace macro_control {
inline constexpr int kAdd = 1017;
inline constexpr int kDelete = 1018;
inline constexpr int kRecord = 1020;
inline constexpr int kDeleteAction = 1021;
inline constexpr int kClearActions = 1022;
inline constexpr int kMoveTop = 1023;
inline constexpr int kMoveUp = 1024;
inline constexpr int kMoveDown = 1025;
inline constexpr int kMoveBottom = 1026;
inline constexpr int kRecordDelay = 1027;
inline constexpr int kCycles = 1125;
inline constexpr int kNames = 1126;
inline constexpr int kActions = 1019;
inline constexpr int kCyclesCaption = 1130;
inline constexpr int kRecordDelayCaption = 1133;
// The gauge has no template id of its own; this one names it here.
inline constexpr int kMemoryGauge = 1300;
}  // namespace macro_control

// The skin key of the gauge in "Skins/Composite.ini".
inline constexpr std::u16string_view kMemoryGaugeSkinKey = u"FUNC_MACRO_MEMORY";

class MacroPagePanel : public QObject {
  Q_OBJECT

 public:
  // Creates the controls, hidden, placed from the dialog's skin; the dialog's
  // skin screen must be applied already.
  MacroPagePanel(CBaseDialog& dialog, MacroPage& page, const Texts& texts);
  ~MacroPagePanel() override;
  MacroPagePanel(const MacroPagePanel&) = delete;
  MacroPagePanel& operator=(const MacroPagePanel&) = delete;

  void SetVisible(bool shown);
  bool IsVisible() const { return shown_; }
  void SetNameListFont(const QFont& font);
  // Captions, column headers and key names in the current language.
  void ApplyTexts();
  // Commits a cell edit in progress, as the editor's Apply asks first.
  void FinishCellEdit();

  // The controls by id (macro_control), for the dialog's focus and tests;
  // nullptr for any other id.
  QWidget* Control(int id) const;
  CReportCtrl& ActionList() const;
  CMemoryGauge& Gauge() const;
  // Runs exactly while the page records.
  const KeyMessageFilter& RecordingFilter() const { return *filter_; }
  // Whether the X server repeats held keys without releases now (only while
  // recording, and only where the server offers it).
  bool DetectableAutoRepeatActive() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static std::u16string_view SkinKeyOf(const CPngButton& button);
  std::vector<QWidget*> Controls() const;
  CPngButton& Button(int id) const;
  void Build();
  void Connect();
  void Refresh();
  void RefreshNames();
  void RefreshRows();
  void RefreshButtons();
  void RefreshGauge();
  void SyncRecording();
  void OnButton(int id);
  void OnCellClicked(int row, int column);
  void OnCellEdited(const CellEdit& edit);

  CBaseDialog& dialog_;
  MacroPage& page_;
  const Texts& texts_;
  std::optional<KeyNameTable> names_;
  bool shown_ = false;
  bool refreshing_ = false;

  QPointer<QComboBox> nameList_;
  QPointer<QLineEdit> cycles_;
  QPointer<QLabel> cyclesCaption_;
  QPointer<CReportCtrl> actions_;
  QPointer<QCheckBox> recordDelay_;
  QPointer<QLabel> recordDelayCaption_;
  QPointer<CMemoryGauge> gauge_;
  std::vector<QPointer<CPngButton>> buttons_;
  std::unique_ptr<KeyMessageFilter> filter_;
  // X repeats held keys without releases while the recording runs.
  std::unique_ptr<DetectableAutoRepeat> autoRepeat_;
  // The rows as the list shows them, to redraw only what changed.
  std::vector<MacroAction> shownRows_;
  int shownSelection_ = -1;
  int rowBeforePress_ = -1;
};

}  // namespace ombrex
