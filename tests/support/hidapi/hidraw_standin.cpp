#include "tests/support/hidapi/hidraw_standin.h"

#include <hidapi.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device/protocol.h"
#include "device/vkbd_wire.h"

namespace {

using namespace std::chrono_literals;
using ombrex::protocol::Interface;
using ombrex::vkbd_wire::Frame;
using ombrex::vkbd_wire::Type;

constexpr Interface kNoInterface{0, 0};
// hidraw keeps this many reports per open file and drops what comes on top.
constexpr std::size_t kQueuedReports = 64;
// A daemon answers at once; this only bounds the wait for one that hangs.
constexpr auto kCallTimeout = 2s;
constexpr auto kLookAgain = 50ms;

struct Collection {
  unsigned short usagePage;
  unsigned short usage;
};

struct OutputReport {
  unsigned char id;  // 0: the interface has unnumbered reports
  std::size_t size;  // id included when numbered
  Interface to;      // where the daemon takes it; kNoInterface: swallowed
};

struct Node {
  const char* path;
  int interfaceNumber;
  std::vector<Collection> collections;
  std::vector<OutputReport> outputs;
  std::vector<Interface> inputsFrom;  // the daemon's interfaces whose reports arrive here
};

const std::vector<Node>& Nodes() {
  static const std::vector<Node> nodes{
      // The boot keyboard: its caps-lock lights are an unnumbered one-byte report.
      {"/dev/hidraw3", 0, {{0x0001, 0x0006}}, {{0, 1, kNoInterface}}, {}},
      {"/dev/hidraw4", 1, {{0x000C, 0x0001}}, {}, {ombrex::protocol::kConsumer}},
      {"/dev/hidraw5",
       2,
       {{0xFF1C, 0x0092}, {0x0008, 0x0089}},
       {{ombrex::protocol::kReportId, ombrex::protocol::kPacketSize, ombrex::protocol::kControl},
        {0x05, ombrex::protocol::kBankLedSize, ombrex::protocol::kBankLed}},
       {ombrex::protocol::kControl, ombrex::protocol::kBankLed}},
  };
  return nodes;
}

const Node* FindNode(const char* path) {
  if (path == nullptr) return nullptr;
  for (const Node& node : Nodes()) {
    if (std::strcmp(node.path, path) == 0) return &node;
  }
  return nullptr;
}

bool Receives(const Node& node, Interface from) {
  for (const Interface& offered : node.inputsFrom) {
    if (offered == from) return true;
  }
  return false;
}

std::wstring Wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

// The last failure of a call without a handle. hidapi keeps one for the
// process; one per thread keeps two threads' opens from reading each
// other's reason.
thread_local std::wstring globalError;

void SetGlobalError(const std::string& text) {
  globalError = Wide(text);
}

// Whether a comma-separated list in the environment names the node.
bool Listed(const char* variable, const char* path) {
  const char* value = std::getenv(variable);
  if (value == nullptr) return false;
  std::stringstream list{std::string(value)};
  std::string item;
  while (std::getline(list, item, ',')) {
    if (item == "all" || item == path) return true;
  }
  return false;
}

bool SendAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes = bytes.subspan(static_cast<std::size_t>(sent));
  }
  return true;
}

}  // namespace

struct hid_device_ {
  const Node* node;
  std::uint64_t generation;  // the plugging this handle was opened on
  std::deque<std::vector<std::uint8_t>> queue;
  bool nonblocking = false;
  std::wstring error;
};

namespace {

// The one connection of this process to the daemon, shared by every handle
// as the kernel is shared by every hidraw file.
class Bus {
 public:
  // Never destroyed: its threads may still run while the process ends.
  static Bus& Get() {
    static Bus* bus = new Bus;
    return *bus;
  }

  // Connects when no connection is up; true when the keyboard is plugged.
  bool Present() {
    Connect();
    std::lock_guard lock(mutex_);
    return plugged_;
  }

  hid_device* Open(const Node& node) {
    std::lock_guard lock(mutex_);
    if (!plugged_) return nullptr;
    auto* device = new hid_device{&node, generation_, {}, false, {}};
    handles_.insert(device);
    return device;
  }

  void Close(hid_device* device) {
    std::lock_guard lock(mutex_);
    handles_.erase(device);
    delete device;
  }

  int Read(hid_device* device, unsigned char* data, std::size_t length, int milliseconds) {
    std::unique_lock lock(mutex_);
    const auto ready = [&] { return !device->queue.empty() || GoneLocked(*device); };
    if (milliseconds < 0) {
      changed_.wait(lock, ready);
    } else if (!changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), ready)) {
      return 0;
    }
    // As hidapi's hidraw flavour: a node that hung up fails the read even
    // with reports still queued.
    if (GoneLocked(*device)) {
      device->error = L"the device is gone";
      return -1;
    }
    const std::vector<std::uint8_t> report = std::move(device->queue.front());
    device->queue.pop_front();
    const std::size_t copied = std::min(length, report.size());
    std::memcpy(data, report.data(), copied);
    return static_cast<int>(copied);
  }

  int Write(hid_device* device, const unsigned char* data, std::size_t length) {
    {
      std::lock_guard lock(mutex_);
      if (GoneLocked(*device)) {
        device->error = L"the device is gone";
        return -1;
      }
    }
    const OutputReport* report = nullptr;
    for (const OutputReport& offered : device->node->outputs) {
      if (offered.id == data[0]) report = &offered;
    }
    // The id byte is sent for numbered reports and only stands in otherwise.
    const std::size_t expected = report == nullptr ? 0 : report->size + (report->id == 0 ? 1 : 0);
    if (report == nullptr || length != expected) {
      SetError(device, "Broken pipe: no output report " + std::to_string(data[0]) + " of " +
                           std::to_string(length) + " bytes");
      return -1;
    }
    if (report->to == kNoInterface) return static_cast<int>(length);
    std::vector<std::uint8_t> payload;
    ombrex::vkbd_wire::PutU16(payload, report->to.usagePage);
    ombrex::vkbd_wire::PutU16(payload, report->to.usage);
    payload.insert(payload.end(), data + (report->id == 0 ? 1 : 0), data + length);
    const std::optional<Frame> reply = Call(Type::WriteReport, payload);
    const std::int32_t written =
        reply && reply->type == Type::Written
            ? static_cast<std::int32_t>(ombrex::vkbd_wire::GetU32(reply->payload, 0))
            : 0;
    if (written > 0) return static_cast<int>(length);
    SetError(device, written == 0 ? "the device is gone" : "Broken pipe: the keyboard refused it");
    return -1;
  }

  void SetError(hid_device* device, const std::string& text) {
    std::lock_guard lock(mutex_);
    device->error = Wide(text);
  }

  const wchar_t* Error(hid_device* device) {
    std::lock_guard lock(mutex_);
    if (device->error.empty()) return L"Success";
    return device->error.c_str();
  }

  int Watch(ombrex_hidapi_changed_fn changed, void* context) {
    std::lock_guard lock(watchMutex_);
    const int id = ++lastWatch_;
    watchers_.emplace(id, std::make_pair(changed, context));
    if (!watcher_.joinable()) {
      watcher_ = std::thread([this] { LookForTheDaemon(); });
      watcher_.detach();
    }
    return id;
  }

  void Unwatch(int id) {
    std::lock_guard lock(watchMutex_);
    watchers_.erase(id);
  }

 private:
  struct Pending {
    std::optional<Frame> reply;
    bool done = false;
  };

  bool GoneLocked(const hid_device& device) const {
    return !plugged_ || device.generation != generation_;
  }

  // A watched stand-in notices a daemon that starts, as udev notices a hub.
  void LookForTheDaemon() {
    for (;;) {
      Connect();
      std::unique_lock lock(mutex_);
      if (fd_ >= 0) {
        changed_.wait(lock, [this] { return fd_ < 0; });
      } else {
        changed_.wait_for(lock, kLookAgain);
      }
    }
  }

  void Connect() {
    std::lock_guard connecting(connectMutex_);
    {
      std::lock_guard lock(mutex_);
      if (fd_ >= 0) return;
    }
    const std::string path = ombrex::vkbd_wire::DefaultSocketPath();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
      ::close(fd);
      return;
    }
    {
      std::scoped_lock lock(sendMutex_, mutex_);
      fd_ = fd;
    }
    std::thread([this, fd] { ReadUntilClosed(fd); }).detach();
    const std::uint8_t role = static_cast<std::uint8_t>(ombrex::vkbd_wire::Role::Library);
    Call(Type::Hello, std::span<const std::uint8_t>(&role, 1));
    const std::optional<Frame> count = Call(Type::GetDeviceCount, {});
    if (count && count->type == Type::Count) {
      SetPlugged(ombrex::vkbd_wire::GetU32(count->payload, 0) > 0);
    }
  }

  std::optional<Frame> Call(Type type, std::span<const std::uint8_t> payload) {
    auto pending = std::make_shared<Pending>();
    {
      std::lock_guard sending(sendMutex_);
      {
        std::lock_guard lock(mutex_);
        if (fd_ < 0) return std::nullopt;
        pending_.push_back(pending);
      }
      // A failed send shows as the reader's hang-up, which fails every call.
      SendAll(fd_, ombrex::vkbd_wire::Encode(type, payload));
    }
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, kCallTimeout, [&] { return pending->done; });
    return pending->reply;
  }

  void ReadUntilClosed(int fd) {
    std::vector<std::uint8_t> buffer;
    std::array<std::uint8_t, 4096> chunk{};
    for (;;) {
      pollfd waiting{fd, POLLIN, 0};
      if (::poll(&waiting, 1, -1) < 0 && errno != EINTR) break;
      const ssize_t got = ::read(fd, chunk.data(), chunk.size());
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (got <= 0) break;
      buffer.insert(buffer.end(), chunk.begin(), chunk.begin() + got);
      bool broken = false;
      while (auto frame = ombrex::vkbd_wire::TakeFrame(buffer, broken)) Handle(*frame);
      if (broken) break;
    }
    {
      std::scoped_lock lock(sendMutex_, mutex_);
      ::close(fd);
      fd_ = -1;
      for (auto& pending : pending_) pending->done = true;
      pending_.clear();
      changed_.notify_all();
    }
    // The daemon ending takes its keyboard with it.
    SetPlugged(false);
  }

  void Handle(const Frame& frame) {
    const std::span<const std::uint8_t> payload = frame.payload;
    if (frame.type == Type::InputReport) {
      if (payload.size() < 4) return;
      const Interface from{ombrex::vkbd_wire::GetU16(payload, 0),
                           ombrex::vkbd_wire::GetU16(payload, 2)};
      std::lock_guard lock(mutex_);
      for (hid_device* device : handles_) {
        if (device->generation != generation_ || !Receives(*device->node, from)) continue;
        if (device->queue.size() < kQueuedReports) {
          device->queue.emplace_back(payload.begin() + 4, payload.end());
        }
      }
      changed_.notify_all();
      return;
    }
    if (frame.type == Type::DeviceCount) {
      SetPlugged(ombrex::vkbd_wire::GetU32(payload, 0) > 0);
      return;
    }
    std::lock_guard lock(mutex_);
    if (pending_.empty()) return;
    pending_.front()->reply = frame;
    pending_.front()->done = true;
    pending_.pop_front();
    changed_.notify_all();
  }

  void SetPlugged(bool plugged) {
    {
      std::lock_guard lock(mutex_);
      if (plugged_ == plugged) return;
      plugged_ = plugged;
      // Every plugging is a new device: handles of the last one stay dead.
      ++generation_;
      changed_.notify_all();
    }
    std::lock_guard lock(watchMutex_);
    for (const auto& [id, watcher] : watchers_) watcher.first(watcher.second);
  }

  std::mutex connectMutex_;
  // Held across queueing a call and sending it, so replies pair in order.
  std::mutex sendMutex_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int fd_ = -1;
  bool plugged_ = false;
  std::uint64_t generation_ = 0;
  std::deque<std::shared_ptr<Pending>> pending_;
  std::set<hid_device*> handles_;

  // Watchers are called with this held, so that unwatching waits for a call
  // under way.
  std::mutex watchMutex_;
  std::map<int, std::pair<ombrex_hidapi_changed_fn, void*>> watchers_;
  int lastWatch_ = 0;
  std::thread watcher_;
};

wchar_t* Duplicate(const wchar_t* text) {
  const std::size_t size = std::wcslen(text) + 1;
  auto* copy = static_cast<wchar_t*>(std::malloc(size * sizeof(wchar_t)));
  std::wmemcpy(copy, text, size);
  return copy;
}

}  // namespace

extern "C" {

int hid_init(void) {
  return 0;
}

int hid_exit(void) {
  return 0;
}

struct hid_device_info* hid_enumerate(unsigned short vendor_id, unsigned short product_id) {
  if ((vendor_id != 0 && vendor_id != ombrex::protocol::kVendorId) ||
      (product_id != 0 && product_id != ombrex::protocol::kProductId) || !Bus::Get().Present()) {
    SetGlobalError("No HID devices found in the system.");
    return nullptr;
  }
  hid_device_info* first = nullptr;
  hid_device_info** next = &first;
  for (const Node& node : Nodes()) {
    for (const Collection& collection : node.collections) {
      auto* entry = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
      entry->path = ::strdup(node.path);
      entry->vendor_id = ombrex::protocol::kVendorId;
      entry->product_id = ombrex::protocol::kProductId;
      entry->serial_number = Duplicate(L"");
      entry->release_number = 0x0100;
      entry->manufacturer_string = Duplicate(L"");
      entry->product_string = Duplicate(L"Ombrex RGB Keyboard");
      entry->usage_page = collection.usagePage;
      entry->usage = collection.usage;
      entry->interface_number = node.interfaceNumber;
      entry->bus_type = HID_API_BUS_USB;
      *next = entry;
      next = &entry->next;
    }
  }
  return first;
}

void hid_free_enumeration(struct hid_device_info* devs) {
  while (devs != nullptr) {
    hid_device_info* next = devs->next;
    std::free(devs->path);
    std::free(devs->serial_number);
    std::free(devs->manufacturer_string);
    std::free(devs->product_string);
    std::free(devs);
    devs = next;
  }
}

hid_device* hid_open_path(const char* path) {
  const auto fail = [path](int error) -> hid_device* {
    SetGlobalError(std::string("Failed to open a device with path '") + (path ? path : "") +
                   "': " + std::strerror(error));
    errno = error;
    return nullptr;
  };
  const Node* node = FindNode(path);
  if (node == nullptr || !Bus::Get().Present()) return fail(ENOENT);
  if (Listed("OMBREX_HIDAPI_DENY", path)) return fail(EACCES);
  if (Listed("OMBREX_HIDAPI_BUSY", path)) return fail(EBUSY);
  hid_device* device = Bus::Get().Open(*node);
  if (device == nullptr) return fail(ENOENT);
  SetGlobalError("");
  return device;
}

hid_device* hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t*) {
  if (vendor_id != ombrex::protocol::kVendorId || product_id != ombrex::protocol::kProductId) {
    SetGlobalError("Device with requested VID/PID/(SerialNumber) not found");
    return nullptr;
  }
  return hid_open_path(Nodes().front().path);
}

void hid_close(hid_device* dev) {
  if (dev != nullptr) Bus::Get().Close(dev);
}

int hid_write(hid_device* dev, const unsigned char* data, size_t length) {
  if (length == 0 || data == nullptr) {
    Bus::Get().SetError(dev, "Invalid argument");
    return -1;
  }
  return Bus::Get().Write(dev, data, length);
}

int hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds) {
  return Bus::Get().Read(dev, data, length, milliseconds);
}

int hid_read(hid_device* dev, unsigned char* data, size_t length) {
  return Bus::Get().Read(dev, data, length, dev->nonblocking ? 0 : -1);
}

int hid_set_nonblocking(hid_device* dev, int nonblock) {
  dev->nonblocking = nonblock != 0;
  return 0;
}

int hid_send_feature_report(hid_device* dev, const unsigned char*, size_t) {
  Bus::Get().SetError(dev, "Broken pipe: the keyboard has no feature reports");
  return -1;
}

int hid_get_feature_report(hid_device* dev, unsigned char*, size_t) {
  Bus::Get().SetError(dev, "Broken pipe: the keyboard has no feature reports");
  return -1;
}

int hid_get_input_report(hid_device* dev, unsigned char*, size_t) {
  Bus::Get().SetError(dev, "Broken pipe: the keyboard answers no input report requests");
  return -1;
}

const wchar_t* hid_error(hid_device* dev) {
  if (dev != nullptr) return Bus::Get().Error(dev);
  return globalError.empty() ? L"Success" : globalError.c_str();
}

const struct hid_api_version* hid_version(void) {
  static const hid_api_version version{0, 13, 1};
  return &version;
}

const char* hid_version_str(void) {
  return "0.13.1";
}

int ombrex_hidapi_watch(ombrex_hidapi_changed_fn changed, void* context) {
  return Bus::Get().Watch(changed, context);
}

void ombrex_hidapi_unwatch(int watch) {
  Bus::Get().Unwatch(watch);
}

}  // extern "C"
