#include "device/device_events.h"

#include <algorithm>
#include <climits>

#include "device/results.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace ombrex {

namespace {

constexpr GKeyCaptions kBankACaptions{u"A1", u"A2", u"A3", u"A4", u"A5", u"", u"", u"", u""};
constexpr GKeyCaptions kBankBCaptions{u"B1", u"B2", u"B3", u"B4", u"B5", u"", u"", u"", u""};

}  // namespace

// Counts a callback in while the events are running; false once stopped.
class DeviceEvents::InFlight {
 public:
  explicit InFlight(DeviceEvents& events) : events_(events) {
    std::lock_guard lock(events_.flightMutex_);
    entered_ = !events_.stopped_;
    if (entered_) ++events_.inFlight_;
  }
  ~InFlight() {
    if (!entered_) return;
    // Notified under the lock: once Stop() sees no callback left it may
    // return and the object go, and a callback of a request this object does
    // not own (the link's reply read) is not waited for by anything else.
    std::lock_guard lock(events_.flightMutex_);
    --events_.inFlight_;
    events_.flightEnded_.notify_all();
  }
  explicit operator bool() const { return entered_; }

 private:
  DeviceEvents& events_;
  bool entered_ = false;
};

DeviceEvents::DeviceEvents(DeviceLink& link, WindowLink& window, RunState& run, const Texts& texts)
    : link_(link), window_(window), run_(run), texts_(texts) {}

DeviceEvents::~DeviceEvents() {
  Stop();
}

void DeviceEvents::Attach() {
  link_.SetEventSink([this](const DeviceEvent& event) { OnDeviceEvent(event); });
}

int DeviceEvents::RegisterEventRead() {
  // Not under the bank lock: replacing the read waits for its callback, which
  // may be toggling the bank.
  std::lock_guard lock(consumerMutex_);
  return link_.StartRead(protocol::kConsumer, RAZIZID_TAG_CONSUMER, consumerUnitId_);
}

int DeviceEvents::WriteBankState() {
  std::lock_guard lock(bankMutex_);
  return WriteBankStateLocked();
}

int DeviceEvents::WriteBankStateLocked() {
  return link_.WriteStatus(protocol::kBankLed, RAZIZID_TAG_LED, bankLed_, ledUnitId_);
}

void DeviceEvents::OnDeviceEvent(const DeviceEvent& event) {
  InFlight inFlight(*this);
  if (!inFlight) return;
  const bool data = event.kind == RAZIZID_EVENT_DATA;
  if (data && event.tag == RAZIZID_TAG_CONSUMER) {
    if (event.data.size() >= 2) Dispatch(std::uint16_t(event.data[0] | event.data[1] << 8));
  } else if (data && event.tag == RAZIZID_TAG_CONTROL) {
    link_.Transactions().DeliverReply(event.data);
  } else if (event.kind == RAZIZID_EVENT_DEVICE_COUNT && event.tag == RAZIZID_TAG_CONTROL) {
    // At once, not when the watcher runs: a download under way must see that
    // its keyboard may not be the one it began with.
    link_.Commands().Content().ForgetAll();
    StartDeviceWatcher(static_cast<int>(std::min<std::uint32_t>(event.count, INT_MAX)));
  }
}

void DeviceEvents::Dispatch(std::uint16_t code) {
  switch (code) {
    case protocol::kEventBankKey:
      ToggleBank();
      break;
    case protocol::kEventProfileChanged:
      window_.StartTimer(kTimerFollowProfile, 0);
      break;
    case protocol::kEventReset:
      link_.Commands().Content().ForgetAll();
      window_.StartTimer(kTimerResetFromKeyboard, 0);
      break;
    case protocol::kEventIndicatorOff:
      indicators_.Post([this] { window_.SetTrayPicture(kTrayPresence, 0); });
      break;
    case protocol::kEventIndicatorOn:
      indicators_.Post([this] { window_.SetTrayPicture(kTrayOverlay, kTrayIndicator); });
      break;
    default:
      break;  // 0x1801..0x1804 and anything else: nothing to do
  }
}

void DeviceEvents::ToggleBank() {
  bool bankB = false;
  {
    std::lock_guard lock(bankMutex_);
    bankLed_[1] ^= 0x01;
    bankB = (bankLed_[1] & 0x01) != 0;
    // The keyboard shows the bank on its LED; whether the write got there
    // changes nothing here.
    WriteBankStateLocked();
  }
  if (!window_.Send(window_message::kBankChanged, window_message::kLedTag, 0)) return;
  window_.SetBankIndicator(bankB);
  window_.SetGKeyCaptions(bankB ? kBankBCaptions : kBankACaptions);
}

int DeviceEvents::Bank() const {
  std::lock_guard lock(bankMutex_);
  return bankLed_[1] & 0x01;
}

BankLedState DeviceEvents::BankLed() const {
  std::lock_guard lock(bankMutex_);
  return bankLed_;
}

void DeviceEvents::StartDeviceWatcher(int count) {
  watchers_.Post([this, count] { RunWatcher(count); });
}

bool DeviceEvents::ReadOnArrival() {
  CommandSet& commands = link_.Commands();
  KeyTableBytes table{};
  const bool tableRead = commands.ReadDefaultKeyTable(table) == result::kOk;
  if (tableRead) link_.DefaultTable().Replace(table);
  StatusBlock status{};
  if (commands.ReadStatusBlock(status) == result::kOk) {
    link_.State().macroCapacity = status[protocol::kStatusMacroUnitsAt] * protocol::kMacroUnitBytes;
  }
  return tableRead;
}

void DeviceEvents::RunWatcher(int count) {
  AppState& state = link_.State();
  if (count == state.devicePresence) return;
  bool tableRead = true;
  if (count != 0) {
    tableRead = ReadOnArrival();
  } else {
    state.deviceProfile = std::nullopt;
  }
  // The window learns of the keyboard only once it is ready: a reload it
  // handled before its start-up ended would be overwritten by the default
  // image the start-up builds.
  if (!run_.WaitUntilReady()) return;
  // Known before the window steps, whatever the window is busy with: an Open
  // asked for meanwhile must not say a keyboard that is here is missing.
  state.devicePresence = count;
  if (count != 0) {
    if (!tableRead) {
      window_.ShowMessage(texts_.Text(text_catalogue::kMainDefaultMatrixPrompt));
    }
    if (!window_.Send(window_message::kReload, window_message::kProfile, 0)) return;
  } else {
    if (!window_.Send(window_message::kCloseEditors, 0, 0)) return;
    window_.HideMainWindow();
  }
  window_.SetTrayPicture(kTrayPresence, count != 0 ? kTrayKeyboard : kTrayNoKeyboard);
  if (!state.autoOpenSuppressed) {
    if (count != 0) window_.Post(window_message::kShowPanel, window_message::kOpen, 0);
    state.autoOpenSuppressed = true;
  }
}

void DeviceEvents::WaitIdle() {
  watchers_.WaitIdle();
  indicators_.WaitIdle();
}

void DeviceEvents::Stop() {
  run_.BeginShutdown();
  {
    std::unique_lock lock(flightMutex_);
    if (stopped_) return;
    stopped_ = true;
    flightEnded_.wait(lock, [this] { return inFlight_ == 0; });
  }
  link_.SetEventSink(nullptr);
  {
    std::lock_guard lock(consumerMutex_);
    link_.CancelRequest(consumerUnitId_);
  }
  {
    std::lock_guard lock(bankMutex_);
    link_.CancelRequest(ledUnitId_);
  }
  watchers_.Stop();
  indicators_.Stop();
}

}  // namespace ombrex
