#include "tests/unit/editors/macro_page_support.h"

#include <ostream>

namespace ombrex::test {

std::ostream& operator<<(std::ostream& out, const Row& row) {
  return out << "{0x" << std::hex << row.key << std::dec << (row.state == 1 ? " up " : " down ")
             << row.delay << "}";
}

MacroRecord MakeMacro(std::uint16_t id, std::u16string_view name, std::vector<MacroAction> actions,
                      std::uint8_t cycles) {
  return MakeMacroRecord(id, name, actions, cycles);
}

MacroPageRig::MacroPageRig()
    : texts(kMacroTexts),
      workspace(dir.path() / "Vantrel_09A"),
      settings(texts.Store(), texts.Get(), dir.path() / "Vantrel_09A"),
      page(workspace, settings, state, texts.Get(), prompter, clock) {
  workspace.CreateDefaultImage({}, 0, true);
  page.SetDirtyHandler([this] { ++dirtyMarks; });
}

void MacroPageRig::SetWorkingMacros(std::vector<MacroRecord> macros) {
  workspace.Working()->ReplaceMacros(std::move(macros));
}

std::vector<std::u16string> MacroPageRig::Names() const {
  std::vector<std::u16string> names;
  for (std::size_t i = 0; i < page.ItemCount(); ++i) names.emplace_back(page.ItemName(i));
  return names;
}

}  // namespace ombrex::test
