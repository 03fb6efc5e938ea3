#include "razizid/hid_backend.h"

#include <cwchar>

#include "platform/text.h"

#ifdef OMBREX_HAVE_HIDAPI
#include <hidapi.h>
#endif

namespace ombrex::razizid {

namespace {

constexpr protocol::Interface kWanted[] = {protocol::kControl, protocol::kConsumer,
                                           protocol::kBankLed};
// hidapi has no way to wake a blocked read but its time-out: how late a
// closing device's reader may end, and how often an attached keyboard's
// reader wakes when idle. Without a keyboard nothing wakes.
constexpr int kReadTimeoutMs = 1000;
constexpr std::size_t kMaxReport = 65;  // 64 bytes and a report id

}  // namespace

#ifdef OMBREX_HAVE_HIDAPI

namespace {

std::string HidError(hid_device* device) {
  const wchar_t* text = hid_error(device);
  if (text == nullptr) return "unknown error";
  std::u16string wide;
  for (; *text != L'\0'; ++text) wide.push_back(static_cast<char16_t>(*text));
  return Utf8FromUtf16(wide);
}

}  // namespace

struct HidBackend::OpenPath {
  std::string path;
  std::vector<protocol::Interface> interfaces;
  hid_device* reader = nullptr;
  hid_device* writer = nullptr;
  std::mutex writeMutex;
  std::atomic<bool> stop{false};
  std::atomic<bool> gone{false};
  std::thread readerThread;

  bool Offers(protocol::Interface hidInterface) const {
    for (const auto& offered : interfaces) {
      if (offered == hidInterface) return true;
    }
    return false;
  }

  ~OpenPath() {
    stop = true;
    if (readerThread.joinable()) readerThread.join();
    if (reader != nullptr) hid_close(reader);
    if (writer != nullptr) hid_close(writer);
  }
};

HidBackend::HidBackend(std::unique_ptr<HotplugMonitor> monitor)
    : monitor_(monitor ? std::move(monitor) : MakeHotplugMonitor()) {}

HidBackend::HidBackend(std::chrono::milliseconds scanInterval)
    : monitor_(MakeScanMonitor(scanInterval)) {}

HidBackend::~HidBackend() {
  Stop();
}

bool HidBackend::Start(BackendSink& sink) {
  if (hid_init() != 0) {
    sink.Error("hidapi cannot start: " + HidError(nullptr));
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    if (rescanner_.joinable()) return true;
    sink_ = &sink;
    stopping_ = false;
    rescanAsked_ = false;
  }
  // Watching before the first look: a keyboard plugged in between is not
  // missed, only looked for twice.
  if (!monitor_->Start([this] { AskForRescan(); })) {
    sink.Error("arrivals cannot be watched; looking every second instead");
    monitor_ = MakeScanMonitor(std::chrono::seconds(1));
    monitor_->Start([this] { AskForRescan(); });
  }
  Rescan();
  rescanner_ = std::thread([this] { RescanWhenAsked(); });
  return true;
}

void HidBackend::Stop() {
  // Outside the lock: a monitor's call under way takes it.
  monitor_->Stop();
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    asked_.notify_all();
  }
  if (rescanner_.joinable()) rescanner_.join();
  std::map<std::string, std::shared_ptr<OpenPath>> closing;
  {
    std::lock_guard lock(mutex_);
    closing.swap(open_);
    sink_ = nullptr;
  }
}

DeviceCounts HidBackend::Counts() {
  return CountOpen();
}

DeviceCounts HidBackend::CountOpen() {
  std::lock_guard lock(mutex_);
  DeviceCounts counts;
  for (const auto& [path, device] : open_) {
    if (device->gone) continue;
    counts.control += device->Offers(protocol::kControl);
    counts.consumer += device->Offers(protocol::kConsumer);
    counts.bankLed += device->Offers(protocol::kBankLed);
  }
  return counts;
}

std::vector<std::shared_ptr<HidBackend::OpenPath>> HidBackend::PathsOffering(
    protocol::Interface hidInterface) {
  std::lock_guard lock(mutex_);
  std::vector<std::shared_ptr<OpenPath>> found;
  for (const auto& [path, device] : open_) {
    if (!device->gone && device->Offers(hidInterface)) found.push_back(device);
  }
  return found;
}

int HidBackend::Write(protocol::Interface to, std::span<const std::uint8_t> report, bool toEvery) {
  int result = RAZIZID_NONE;
  for (const auto& device : PathsOffering(to)) {
    std::lock_guard lock(device->writeMutex);
    const int written = hid_write(device->writer, report.data(), report.size());
    result = written > 0 ? written : RAZIZID_IO_ERROR;
    if (!toEvery) break;
  }
  return result;
}

int HidBackend::GetFeature(protocol::Interface from, std::span<std::uint8_t> report) {
  for (const auto& device : PathsOffering(from)) {
    std::lock_guard lock(device->writeMutex);
    const int got = hid_get_feature_report(device->writer, report.data(), report.size());
    return got > 0 ? got : RAZIZID_IO_ERROR;
  }
  return RAZIZID_NONE;
}

int HidBackend::SetFeature(protocol::Interface to, std::span<const std::uint8_t> report) {
  for (const auto& device : PathsOffering(to)) {
    std::lock_guard lock(device->writeMutex);
    const int sent = hid_send_feature_report(device->writer, report.data(), report.size());
    return sent > 0 ? sent : RAZIZID_IO_ERROR;
  }
  return RAZIZID_NONE;
}

std::string HidBackend::LastOpenError() {
  std::lock_guard lock(mutex_);
  return lastOpenError_;
}

void HidBackend::AskForRescan() {
  std::lock_guard lock(mutex_);
  rescanAsked_ = true;
  asked_.notify_all();
}

void HidBackend::RescanWhenAsked() {
  std::unique_lock lock(mutex_);
  for (;;) {
    asked_.wait(lock, [this] { return stopping_ || rescanAsked_; });
    if (stopping_) return;
    rescanAsked_ = false;
    lock.unlock();
    Rescan();
    lock.lock();
  }
}

bool HidBackend::Rescan() {
  // What is attached now: each path with the interfaces of ours it carries.
  std::map<std::string, std::vector<protocol::Interface>> attached;
  hid_device_info* list = hid_enumerate(protocol::kVendorId, protocol::kProductId);
  for (hid_device_info* entry = list; entry != nullptr; entry = entry->next) {
    for (const auto& wanted : kWanted) {
      if (entry->usage_page == wanted.usagePage && entry->usage == wanted.usage) {
        attached[entry->path].push_back(wanted);
      }
    }
  }
  hid_free_enumeration(list);

  std::vector<std::shared_ptr<OpenPath>> closing;
  std::vector<std::pair<std::string, std::vector<protocol::Interface>>> opening;
  {
    std::lock_guard lock(mutex_);
    for (auto it = open_.begin(); it != open_.end();) {
      if (it->second->gone || !attached.contains(it->first)) {
        closing.push_back(std::move(it->second));
        it = open_.erase(it);
      } else {
        ++it;
      }
    }
    for (auto& [path, interfaces] : attached) {
      if (!open_.contains(path)) opening.emplace_back(path, interfaces);
    }
  }
  // Counted before they go: a removal is a change to report.
  const bool closed = !closing.empty();
  closing.clear();  // joins their readers and closes their handles

  bool allOpened = true;
  bool opened = false;
  for (const auto& [path, interfaces] : opening) {
    auto device = Open(path, interfaces);
    if (!device) {
      allOpened = false;
      continue;
    }
    std::lock_guard lock(mutex_);
    open_.emplace(path, std::move(device));
    opened = true;
  }
  if (allOpened) {
    std::lock_guard lock(mutex_);
    lastOpenError_.clear();
  }
  const bool changed = opened || closed || !opening.empty();
  if (opened || closed) {
    if (BackendSink* sink = Sink()) sink->OnDevicesChanged(CountOpen());
  }
  return changed;
}

std::shared_ptr<HidBackend::OpenPath> HidBackend::Open(
    const std::string& path, const std::vector<protocol::Interface>& interfaces) {
  auto device = std::make_shared<OpenPath>();
  device->path = path;
  device->interfaces = interfaces;
  device->reader = hid_open_path(path.c_str());
  if (device->reader == nullptr) {
    NoteOpenFailure(path, HidError(nullptr));
    return nullptr;
  }
  device->writer = hid_open_path(path.c_str());
  if (device->writer == nullptr) {
    NoteOpenFailure(path, HidError(nullptr));
    return nullptr;
  }
  OpenPath* raw = device.get();
  device->readerThread = std::thread([this, raw] { ReadReports(*raw); });
  return device;
}

void HidBackend::ReadReports(OpenPath& device) {
  std::array<std::uint8_t, kMaxReport> buffer{};
  while (!device.stop) {
    const int got = hid_read_timeout(device.reader, buffer.data(), buffer.size(), kReadTimeoutMs);
    if (got < 0) {
      // Unplugged (or broken): the rescan closes it and reports the count,
      // whether or not the monitor heard of it.
      device.gone = true;
      AskForRescan();
      return;
    }
    if (got == 0) continue;
    // A path may carry several of our collections; each of their requests
    // sees the report and keeps what it understands.
    if (BackendSink* sink = Sink()) {
      for (const auto& hidInterface : device.interfaces) {
        sink->OnReport(hidInterface, std::span<const std::uint8_t>(buffer.data(), got));
      }
    }
  }
}

void HidBackend::NoteOpenFailure(const std::string& path, const std::string& reason) {
  std::unique_lock lock(mutex_);
#ifdef _WIN32
  // Windows grants every user access to a keyboard's HID collections; what
  // stands in the way is another program that opened it without sharing.
  lastOpenError_ = "an Ombrex keyboard at " + path + " cannot be opened (" + reason +
                   "); another program may be holding it: close the keyboard's other tools";
#else
  lastOpenError_ = "an Ombrex keyboard at " + path + " cannot be opened (" + reason +
                   "); `ombrexctl doctor` says why and gives the command that fixes it";
#endif
  if (reportedPaths_.insert(path).second && sink_ != nullptr) {
    // Said outside the lock, as everything this backend hands its sink.
    BackendSink* sink = sink_;
    const std::string message = lastOpenError_;
    lock.unlock();
    sink->Error(message);
  }
}

BackendSink* HidBackend::Sink() {
  std::lock_guard lock(mutex_);
  return sink_;
}

#else  // built without hidapi

struct HidBackend::OpenPath {};

HidBackend::HidBackend(std::unique_ptr<HotplugMonitor> monitor) : monitor_(std::move(monitor)) {}
HidBackend::HidBackend(std::chrono::milliseconds) {}
HidBackend::~HidBackend() = default;
bool HidBackend::Start(BackendSink& sink) {
  sink.Error("this build has no HID support (hidapi was not found)");
  return false;
}
void HidBackend::Stop() {}
DeviceCounts HidBackend::Counts() {
  return {};
}
int HidBackend::Write(protocol::Interface, std::span<const std::uint8_t>, bool) {
  return RAZIZID_NONE;
}
int HidBackend::GetFeature(protocol::Interface, std::span<std::uint8_t>) {
  return RAZIZID_NONE;
}
int HidBackend::SetFeature(protocol::Interface, std::span<const std::uint8_t>) {
  return RAZIZID_NONE;
}
std::string HidBackend::LastOpenError() {
  return {};
}

#endif

}  // namespace ombrex::razizid
