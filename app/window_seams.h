#pragma once

// Where the main window takes the parts that later work fills in: the key
// assignment editor and profile manager dialogs (EditorHost), and the
// lighting panel's controls on the window. The plain halves (the panel's
// rules, the Apply commands) are made by Application::BuildEditors. A part
// not built yet has a stand-in that traces; replacing a stand-in means
// changing one function here.

#include <QObject>
#include <memory>

#include "app/editor_host.h"

namespace ombrex {

class Application;
class CBaseDialog;
class SkinPictures;
class TraceLog;

// The lighting panel's Qt controls on the main window.
class LightingPanelWidgets {
 public:
  virtual ~LightingPanelWidgets() = default;
  // Creates and places the controls (the window's start-up).
  virtual void Setup(CBaseDialog& window) = 0;
  // After Application::Initialise: the panel's rules take the controls.
  virtual void Attach() = 0;
  // The mode list: the window keeps arrow keys and wheel steps from it.
  virtual bool IsModeList(const QObject* object) const = 0;
};

struct SeamContext {
  Application& app;
  CBaseDialog& window;
  EditorWindow& editorWindow;
  TraceLog& trace;
  SkinPictures& pictures;
};

// Before a dialog opens: decodes its pictures (RequiredPictures() names it
// by `dialog`) for as long as it is open. A picture that passed the start's
// check but will not decode now keeps the dialog closed: the user is told
// which, and false is returned. The caller lets the pictures go
// (SkinPictures::ForgetAll) once the dialog has closed.
bool OpenDialogPictures(const SeamContext& context, std::u16string_view dialog);

std::unique_ptr<EditorHost> MakeEditorHost(const SeamContext& context);
std::unique_ptr<LightingPanelWidgets> MakeLightingPanelWidgets(const SeamContext& context);

}  // namespace ombrex
