#pragma once

// The profile manager dialog: the list of profile files with the check that
// picks the keyboard's profile, and Add, Load, Delete, OK, Cancel, Apply. It
// draws what ProfileManager holds and forwards every click to it.
//
//   CVantrel_DlgProfile dialog(manager, pictures, texts, openHelp, &window);
//   const int result = dialog.Run();      // 1 OK, 0 Cancel
//   dialog.CloseWithoutApplying();        // the keyboard went away, or Exit

#include <functional>
#include <memory>
#include <vector>

#include "widgets/base_dialog.h"

namespace ombrex {

class CReportCtrl;
class ProfileManager;
class Texts;

namespace profile_control {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kList = 1007;
inline constexpr int kLoad = 1008;
inline constexpr int kAdd = 1010;
inline constexpr int kDelete = 1011;
inline constexpr int kApply = 1012;
}  // namespace profile_control

class CVantrel_DlgProfile final : public CBaseDialog {
  Q_OBJECT

 public:
  CVantrel_DlgProfile(ProfileManager& manager, SkinPictures& pictures, const Texts& texts,
                      std::function<void()> openHelp, QWidget* parent = nullptr);
  ~CVantrel_DlgProfile() override;

  // Opens the manager's list and runs the dialog modally: 1 after OK, 0
  // after Cancel or a close from outside.
  int Run();
  // Opens the manager's list and shows it, the checked row selected: what
  // Run does before the dialog appears.
  void OpenList();
  // Closes the dialog as Cancel does, if it runs.
  void CloseWithoutApplying();

  CReportCtrl& List() const { return *list_; }
  CPngButton* Button(int controlId) const;
  // Shows the manager's rows, check, and Apply state.
  void Refresh();
  // The captions in the language at `languageIndex` (the language message).
  void ApplyLanguage(int languageIndex);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  CPngButton& AddButton(int controlId, std::u16string_view key, const ButtonPictures& faces,
                        std::u16string_view captionKey, std::u16string_view templateCaption);
  void OnClicked(int controlId);
  void OnCheckChanged(int row, bool checked);
  void Finish(int result);

  ProfileManager& manager_;
  const Texts& texts_;
  std::function<void()> openHelp_;
  std::unique_ptr<CReportCtrl> list_;
  std::vector<std::unique_ptr<CPngButton>> buttons_;
  bool refreshing_ = false;
};

}  // namespace ombrex
