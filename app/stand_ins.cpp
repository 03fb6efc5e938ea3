// The stand-ins of the editors and the Apply commands:
// each call is traced and nothing else happens.

#include <string>

#include "app/apply_commands_host.h"
#include "app/editor_host.h"
#include "app/trace_log.h"

namespace ombrex {

std::string Describe(const KeyEditRequest& request) {
  return "slot " + std::to_string(request.slot) + " control " + std::to_string(request.controlId) +
         (request.macroEntry ? " macro" : "") + " profile " +
         std::to_string(request.profile.Index());
}

int TracingEditorHost::RunKeyEditor(const KeyEditRequest& request) {
  trace_.Line("key editor: " + Describe(request));
  return -1;
}

void TracingEditorHost::RunProfileManager() {
  trace_.Line("profile manager");
}

void TracingEditorHost::CloseEditors() {}

void TracingEditorHost::SetLanguage(int languageIndex) {
  trace_.Line("editors language " + std::to_string(languageIndex));
}

void TracingApplyCommands::ApplyChanges(ApplyOrigin) {
  trace_.Line("apply");
}

void TracingApplyCommands::RestoreDefaults() {
  trace_.Line("default");
}

void TracingApplyCommands::ResetFromKeyboard() {
  trace_.Line("reset from the keyboard");
}

void TracingApplyCommands::ImportFile() {
  trace_.Line("import");
}

void TracingApplyCommands::ExportFile() {
  trace_.Line("export");
}

void TracingApplyCommands::BusyTick() {}

}  // namespace ombrex
