#pragma once

// The key assignment editor's dialog: the four page tabs, the single-key
// page (the captured key or a mouse action), the media and shortcut-function
// lists, the macro page (drawn by MacroPagePanel), Clear, the on-screen
// keyboard button, OK, Cancel and Apply, all placed from "Skins/Composite.ini".
// It draws what KeyAssignmentEditor holds and forwards every action to it;
// while the single-key page is shown it takes the keys typed into it.
//
//   if (!editor.Open(controlId, bank, profile)) return -1;
//   Vantrel_DlgComposite dialog(editor, pictures, texts, prompter, hooks, &window);
//   const int result = dialog.Run(screen, keyOnScreen);   // 1 OK, 0 Cancel
//   dialog.CloseWithoutApplying();                        // the keyboard went away, or Exit

#include <QComboBox>
#include <QFont>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "editors/key_assignment_editor.h"
#include "editors/on_screen_keyboard.h"
#include "widgets/base_dialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace ombrex {

class KeyMessageFilter;
class MacroPagePanel;
class Prompter;
class Texts;

struct CompositeHooks {
  std::function<void()> openHelp;
  OnScreenKeyboardSystem onScreenKeyboards = SystemOnScreenKeyboards();
};

class Vantrel_DlgComposite final : public CBaseDialog {
  Q_OBJECT

 public:
  // `editor` must be open on its key already.
  Vantrel_DlgComposite(KeyAssignmentEditor& editor, SkinPictures& pictures, const Texts& texts,
                       Prompter& prompter, CompositeHooks hooks, QWidget* parent = nullptr);
  ~Vantrel_DlgComposite() override;

  // Runs the dialog modally beside the key's button on `screen` (centred
  // for the Macro button): 1 after OK, 0 after Cancel or a close from
  // outside. The editor is closed afterwards either way.
  int Run(ScreenRect screen, ScreenRect key);
  // Closes the dialog as Cancel does, if it runs.
  void CloseWithoutApplying();
  // The language message: every caption, tooltip and list in that language.
  void ApplyLanguage(int languageIndex);

  // Draws what the editor holds: page, tabs, faces, checks, lists, Apply;
  // takes keys exactly while the single-key page is shown.
  void Refresh();

  // The dialog's controls by id (composite_control), the macro page's
  // included; nullptr for any other id.
  QWidget* Control(int id) const;
  CPngButton* Button(int id) const;
  MacroPagePanel& MacroPanel() const { return *macroPanel_; }
  const KeyMessageFilter& CaptureFilter() const { return *capture_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct ImageButton {
    int id;
    std::u16string_view skinKey;
    std::unique_ptr<CPngButton> button;
    bool placedAway = false;
  };

  void Build();
  CPngButton& AddImageButton(int id, std::u16string_view skinKey);
  QLabel& AddLabel(int id, std::u16string_view skinKey);
  QComboBox& AddList(int id, std::u16string_view skinKey);
  void SetFonts();
  void Wire();
  void PlaceFaces();
  void ShowPage();
  void FocusPage();
  void SyncCapture();
  void OnClicked(int id);
  void OpenOnScreenKeyboard();
  void Finish(int result);

  KeyAssignmentEditor& editor_;
  const Texts& texts_;
  Prompter& prompter_;
  CompositeHooks hooks_;

  std::vector<ImageButton> imageButtons_;
  std::vector<std::pair<int, std::unique_ptr<QWidget>>> controls_;
  QLineEdit* keyField_ = nullptr;
  QCheckBox* keyboardRadio_ = nullptr;
  QCheckBox* mouseRadio_ = nullptr;
  QComboBox* mouseList_ = nullptr;
  QComboBox* mediaList_ = nullptr;
  QComboBox* functionList_ = nullptr;
  std::unique_ptr<MacroPagePanel> macroPanel_;
  std::unique_ptr<KeyMessageFilter> capture_;
  // What the last Refresh drew, so faces and focus change only with the page.
  std::optional<EditorPage> shownPage_;
  bool refreshing_ = false;
};

}  // namespace ombrex
