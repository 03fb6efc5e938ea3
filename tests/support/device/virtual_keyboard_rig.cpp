#include "tests/support/device/virtual_keyboard_rig.h"

#include <variant>

namespace ombrex::test {

VirtualKeyboardRig::VirtualKeyboardRig(RigOptions options)
    : keyboard_(options.factory), library_(keyboard_, options.faults, options.plugged) {
  ServiceLibraryResult bound = BindServiceLibrary(library_.Functions());
  const ServiceLibrary* library = std::get_if<ServiceLibrary>(&bound);
  link_.emplace(library != nullptr ? *library : ServiceLibrary(library_.Functions()), state_,
                options.shortTimeouts ? LinkTiming::Fast() : LinkTiming{});
  ready_ = library != nullptr && link_->RegisterReplyRead() > 0;
}

VirtualKeyboardRig::~VirtualKeyboardRig() {
  link_.reset();
}

void VirtualKeyboardRig::Plug() {
  library_.Model()->Plug();
}

void VirtualKeyboardRig::Unplug() {
  library_.Model()->Unplug();
}

bool VirtualKeyboardRig::RaiseEvent(std::uint16_t code) {
  return library_.Model()->RaiseEvent(code);
}

}  // namespace ombrex::test
