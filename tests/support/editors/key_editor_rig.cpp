#include "tests/support/editors/key_editor_rig.h"

namespace ombrex::test {

KeyEditorRig::KeyEditorRig(const Texts& texts)
    : ProfileRig(texts),
      editor_({.workspace = GetWorkspace(),
               .grid = Grid(),
               .settings = Settings(),
               .state = Keyboard().State(),
               .texts = texts,
               .prompter = Prompter(),
               .changes = Host(),
               .clock = clock_,
               .bank = [this] { return bank; }}) {}

}  // namespace ombrex::test
