#include "app/editor_dialogs.h"

#include <QGuiApplication>
#include <QScreen>

#include "app/application.h"
#include "app/trace_log.h"
#include "editors/key_assignment_editor.h"
#include "editors/views/vantrel_dlg_composite.h"
#include "editors/views/vantrel_dlg_profile.h"
#include "model/key_buttons_table.h"
#include "widgets/base_dialog.h"
#include "widgets/png_button.h"
#include "widgets/skin_pictures.h"

namespace ombrex {

namespace {

ScreenRect ToScreenRect(const QRect& rect) {
  return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

// The clicked button on the screen, and the screen that shows it.
struct KeyPlace {
  ScreenRect screen;
  ScreenRect key;
};
KeyPlace PlaceOfControl(QWidget& window, int controlId) {
  QRect key(window.mapToGlobal(QPoint(0, 0)), QSize(0, 0));
  for (CPngButton* button : window.findChildren<CPngButton*>()) {
    if (button->ControlId() == controlId) {
      key = QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
      break;
    }
  }
  QScreen* screen = QGuiApplication::screenAt(key.center());
  if (screen == nullptr) screen = window.screen();
  return {ToScreenRect(screen->geometry()), ToScreenRect(key)};
}

// The G-key bank the request's slot lies in (key slots lie in both).
int BankOfSlot(int slot) {
  return slot >= GKeySlot(0, 1) ? 1 : 0;
}

}  // namespace

DialogEditorHost::DialogEditorHost(const SeamContext& context) : context_(context) {}

DialogEditorHost::~DialogEditorHost() = default;

void DialogEditorHost::OpenHelp() {
  context_.editorWindow.OpenHelp();
}

int DialogEditorHost::RunKeyEditor(const KeyEditRequest& request) {
  KeyAssignmentEditor* editor = context_.app.KeyEditor();
  if (editor == nullptr || composite_ != nullptr) return -1;
  if (!editor->Open(request.controlId, BankOfSlot(request.slot), request.profile)) return -1;
  if (!OpenDialogPictures(context_, u"key assignment editor")) {
    editor->Cancel();
    return -1;
  }
  context_.trace.Line("key editor: " + Describe(request));
  int result = 0;
  {
    Application::NestedLoop nested(context_.app);
    Vantrel_DlgComposite dialog(*editor, context_.pictures, context_.app.GetTexts(),
                                context_.app.Prompts(), {.openHelp = [this] { OpenHelp(); }},
                                &context_.window);
    composite_ = &dialog;
    const KeyPlace place = PlaceOfControl(context_.window, request.controlId);
    result = dialog.Run(place.screen, place.key);
    composite_ = nullptr;
  }
  context_.pictures.ForgetAll();
  context_.trace.Line(std::string("key editor closed: ") + (result == 1 ? "OK" : "Cancel"));
  return result;
}

void DialogEditorHost::RunProfileManager() {
  ProfileManager* manager = context_.app.Manager();
  if (manager == nullptr || profiles_ != nullptr) return;
  if (!OpenDialogPictures(context_, u"profile manager")) return;
  context_.trace.Line("profile manager");
  {
    Application::NestedLoop nested(context_.app);
    CVantrel_DlgProfile dialog(
        *manager, context_.pictures, context_.app.GetTexts(), [this] { OpenHelp(); },
        &context_.window);
    profiles_ = &dialog;
    dialog.Run();
    profiles_ = nullptr;
  }
  context_.pictures.ForgetAll();
  context_.trace.Line("profile manager closed");
}

void DialogEditorHost::CloseEditors() {
  if (composite_ != nullptr) composite_->CloseWithoutApplying();
  if (profiles_ != nullptr) profiles_->CloseWithoutApplying();
}

bool DialogEditorHost::EditorOpen() const {
  const KeyAssignmentEditor* editor = context_.app.KeyEditor();
  return editor != nullptr && editor->IsOpen();
}

void DialogEditorHost::SetLanguage(int languageIndex) {
  if (composite_ != nullptr) composite_->ApplyLanguage(languageIndex);
  if (profiles_ != nullptr) profiles_->ApplyLanguage(languageIndex);
}

}  // namespace ombrex
