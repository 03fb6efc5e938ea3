// The stand-ins of the editors: each call is traced and nothing else
// happens.

#include <string>

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

}  // namespace ombrex
