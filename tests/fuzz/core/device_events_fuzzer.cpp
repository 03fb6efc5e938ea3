// Arbitrary event records through the event dispatch and the device watcher:
// any kind, tag, count and report bytes, on a link whose library is not
// bound (so the watcher's reads fail fast) and a window that records nothing.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "device/device_events.h"
#include "device/device_link.h"
#include "device/run_state.h"
#include "device/window_link.h"
#include "platform/settings_store.h"
#include "resources/texts.h"
#include "tests/fuzz/device/fuzz_input.h"

namespace {

class NullWindow : public ombrex::WindowLink {
 public:
  bool Send(std::uint32_t, std::uint32_t, std::uint32_t) override { return true; }
  void Post(std::uint32_t, std::uint32_t, std::uint32_t) override {}
  void StartTimer(int, int) override {}
  void HideMainWindow() override {}
  void SetTrayPicture(int, int) override {}
  void SetBankIndicator(bool) override {}
  void SetGKeyCaptions(const ombrex::GKeyCaptions&) override {}
  void ShowMessage(std::u16string_view) override {}
};

class NoSettings : public ombrex::SettingsStore {
 public:
  std::u16string ReadProfileString(std::u16string_view, std::u16string_view,
                                   std::u16string_view fallback) override {
    return std::u16string(fallback);
  }
  bool WriteProfileString(std::u16string_view, std::u16string_view, std::u16string_view) override {
    return false;
  }
  std::optional<std::uint32_t> ReadDword(std::u16string_view) override { return 0x0409; }
  bool WriteDword(std::u16string_view, std::uint32_t) override { return false; }
};

struct Setup {
  Setup() { run.MarkReady(); }
  ombrex::AppState state;
  ombrex::DeviceLink link{ombrex::ServiceLibrary{}, state};
  ombrex::RunState run;
  NullWindow window;
  NoSettings settings;
  ombrex::Texts texts{"/nonexistent-ombrex-folder", settings, 0x0409};
  ombrex::DeviceEvents events{link, window, run, texts};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Setup* setup = new Setup();  // lives for the fuzzing run
  ombrex::fuzz::Input input(data, size);
  while (!input.Empty()) {
    ombrex::DeviceEvent event;
    event.kind = input.Byte() % 3;
    const std::uint8_t tagChoice = input.Byte();
    event.tag = tagChoice < 64    ? RAZIZID_TAG_CONSUMER
                : tagChoice < 128 ? RAZIZID_TAG_CONTROL
                : tagChoice < 160 ? RAZIZID_TAG_LED
                                  : input.U32();
    event.count = input.Byte() < 200 ? input.Byte() % 4 : input.U32();
    const std::vector<std::uint8_t> bytes = input.Bytes(input.Byte() % 70);
    event.data = bytes;
    setup->events.OnDeviceEvent(event);
  }
  setup->events.WaitIdle();
  const int bank = setup->events.Bank();
  if (bank != 0 && bank != 1) __builtin_trap();
  return 0;
}
