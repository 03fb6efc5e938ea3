#include "tests/support/editors/profile_rig.h"

namespace ombrex::test {

ProfileRig::ProfileRig(const Texts& texts)
    : texts_(texts),
      store_(OpenSettingsIn(dir_.path() / "config")),
      settings_(*store_, texts, dir_.path() / "Vantrel_09A"),
      workspace_(dir_.path() / "Vantrel_09A"),
      sync_(workspace_, keyboard_.Commands(), texts, prompter_),
      grid_(workspace_, texts, buttons_, host_),
      switcher_(workspace_, keyboard_.Commands(), sync_, grid_, texts, prompter_, host_, run_,
                [this] { return bank; }),
      manager_(switcher_, workspace_, keyboard_.Commands(), settings_, texts, prompter_) {
  workspace_.CreateDefaultImage({}, 0, true);
  manager_.SetMainApplyDisabler([this] { host_.pending = false; });
}

int ProfileRig::KeyboardProfile() {
  return keyboard_.Keyboard().Snapshot().status[protocol::kStatusActiveProfileAt];
}

}  // namespace ombrex::test
