// The stand-ins of the editors, the lighting panel and the Apply commands:
// each call is traced and nothing else happens.

#include <string>

#include "app/apply_commands_host.h"
#include "app/editor_host.h"
#include "app/lighting_panel_host.h"
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

void KeyViewOnlyPanel::RefillUserModes() {
  trace_.Line("panel: user modes refilled");
}

void KeyViewOnlyPanel::LoadCurrentUserMode() {
  trace_.Line("panel: user mode loaded");
}

void KeyViewOnlyPanel::RefreshLightingPanel() {
  trace_.Line("panel: refreshed");
}

void KeyViewOnlyPanel::LightingViewOff() {}

void KeyViewOnlyPanel::PaintKey(int button) {
  trace_.Line("panel: paint " + std::to_string(button));
}

void KeyViewOnlyPanel::FocusModeList() {}

void KeyViewOnlyPanel::ApplyLanguage(int languageIndex) {
  trace_.Line("panel: language " + std::to_string(languageIndex));
}

void KeyViewOnlyPanel::OnSlider(int controlId, int position) {
  trace_.Line("panel: slider " + std::to_string(controlId) + " " + std::to_string(position));
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
