#pragma once

// The editors the main window runs: the key assignment editor's dialog on
// the clicked key and the profile manager's dialog, each modal, each made
// for its run and let go afterwards with its pictures.

#include <QPointer>

#include "app/editor_host.h"
#include "app/window_seams.h"

namespace ombrex {

class CVantrel_DlgProfile;
class Vantrel_DlgComposite;

class DialogEditorHost final : public EditorHost {
 public:
  explicit DialogEditorHost(const SeamContext& context);
  ~DialogEditorHost() override;

  int RunKeyEditor(const KeyEditRequest& request) override;
  void RunProfileManager() override;
  void CloseEditors() override;
  bool EditorOpen() const override;
  void SetLanguage(int languageIndex) override;

 private:
  void OpenHelp();

  SeamContext context_;
  QPointer<Vantrel_DlgComposite> composite_;
  QPointer<CVantrel_DlgProfile> profiles_;
};

}  // namespace ombrex
