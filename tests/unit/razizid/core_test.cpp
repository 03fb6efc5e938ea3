// The library's request and callback contract, on a backend the test drives.

#include "razizid/core.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "device/razizid_wire.h"
#include "tests/support/portable.h"

namespace ombrex::razizid {
namespace {

using namespace std::chrono_literals;

class FakeBackend : public Backend {
 public:
  bool Start(BackendSink& sink) override {
    std::lock_guard lock(mutex_);
    sink_ = &sink;
    ++starts;
    return startResult;
  }
  void Stop() override {
    std::lock_guard lock(mutex_);
    sink_ = nullptr;
  }
  DeviceCounts Counts() override {
    std::lock_guard lock(mutex_);
    return counts_;
  }
  int Write(protocol::Interface to, std::span<const std::uint8_t> report, bool toEvery) override {
    std::lock_guard lock(mutex_);
    writes.push_back({to, std::vector<std::uint8_t>(report.begin(), report.end()), toEvery});
    return static_cast<int>(report.size());
  }

  void Report(protocol::Interface from, std::vector<std::uint8_t> data) {
    Sink()->OnReport(from, data);
  }
  void SetCount(int keyboards) {
    {
      std::lock_guard lock(mutex_);
      counts_ = DeviceCounts::All(keyboards);
    }
    Sink()->OnDevicesChanged(DeviceCounts::All(keyboards));
  }

  struct Written {
    protocol::Interface to;
    std::vector<std::uint8_t> data;
    bool toEvery;
  };
  std::vector<Written> writes;
  bool startResult = true;
  int starts = 0;

 private:
  BackendSink* Sink() {
    std::lock_guard lock(mutex_);
    return sink_;
  }
  std::mutex mutex_;
  BackendSink* sink_ = nullptr;
  DeviceCounts counts_ = DeviceCounts::All(1);
};

// What the callbacks saw. C callbacks carry no context, so the test's
// recorder is reached through one pointer the fixture sets.
struct Seen {
  std::uint32_t kind, tag, count, unitId;
  std::vector<std::uint8_t> data;
  std::thread::id thread;
};

class Recorder {
 public:
  void Add(const RazIzidEvent& e) {
    std::lock_guard lock(mutex_);
    seen_.push_back(
        {e.kind, e.tag, e.count, e.unitId,
         e.data ? std::vector<std::uint8_t>(e.data, e.data + e.count) : std::vector<std::uint8_t>(),
         std::this_thread::get_id()});
    changed_.notify_all();
  }
  std::vector<Seen> WaitFor(std::size_t n) {
    return WaitUntil([n](const std::vector<Seen>& seen) { return seen.size() >= n; });
  }
  // What was seen once `done` holds for it (or the hang guard ran out).
  template <typename Done>
  std::vector<Seen> WaitUntil(Done done) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, 10s, [&] { return done(seen_); });
    return seen_;
  }
  std::size_t Size() {
    std::lock_guard lock(mutex_);
    return seen_.size();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Seen> seen_;
};

Recorder* recorder = nullptr;
int RAZIZID_CALL Record(const RazIzidEvent* e) {
  recorder->Add(*e);
  return 1;
}

// A callback that waits until the test opens the gate.
std::mutex gateMutex;
std::condition_variable gateChanged;
bool gateOpen = false;
int gateVisitors = 0;
std::atomic<int> passedGate{0};
int RAZIZID_CALL WaitAtGate(const RazIzidEvent* e) {
  std::unique_lock lock(gateMutex);
  ++gateVisitors;
  gateChanged.notify_all();
  gateChanged.wait(lock, [] { return gateOpen; });
  lock.unlock();
  recorder->Add(*e);
  ++passedGate;
  return 1;
}
void SetGate(bool open) {
  std::lock_guard lock(gateMutex);
  gateOpen = open;
  gateChanged.notify_all();
}
// Until a callback is held at the gate.
bool WaitForGateVisitor() {
  std::unique_lock lock(gateMutex);
  return gateChanged.wait_for(lock, 10s, [] { return gateVisitors > 0; });
}

// A callback that cancels its own request on its first event, and records
// the event once the request is gone.
Core* selfCancelCore = nullptr;
int RAZIZID_CALL CancelSelf(const RazIzidEvent* e) {
  selfCancelCore->DeleteRequestFromUnitId(e->unitId);
  recorder->Add(*e);
  return 1;
}

class CoreTest : public ::testing::Test {
 protected:
  CoreTest() : core_(backend_) {
    recorder = &recorder_;
    SetGate(false);
    gateVisitors = 0;
    passedGate = 0;
    EXPECT_EQ(core_.Init(0), 1);
  }
  ~CoreTest() override {
    SetGate(true);
    core_.End();
    recorder = nullptr;
  }

  std::uint32_t Read(protocol::Interface on, RazIzidCallback callback, std::uint32_t tag) {
    const RazIzidSelector selector = MakeSelector(on);
    std::uint32_t unit = 0;
    EXPECT_EQ(core_.RequestAsyncRead(&selector, callback, tag,
                                     Verification(selector, callback, tag), &unit),
              1);
    return unit;
  }
  int WriteOne(protocol::Interface to, std::vector<std::uint8_t> data,
               std::uint32_t verificationDelta = 0) {
    const RazIzidSelector selector = MakeSelector(to);
    return core_.RequestWriteOne(
        &selector, nullptr, 0, data.data(), static_cast<std::uint32_t>(data.size()),
        Verification(selector, nullptr, 0, data) + verificationDelta, nullptr);
  }

  FakeBackend backend_;
  Core core_;
  Recorder recorder_;
};

TEST_F(CoreTest, RequestWithAWrongVerificationValueIsRefusedAndDoesNothing) {
  EXPECT_LE(WriteOne(protocol::kControl, {0x04, 1, 2}, 1), 0);
  EXPECT_TRUE(backend_.writes.empty());

  const RazIzidSelector selector = MakeSelector(protocol::kControl);
  std::uint32_t unit = 77;
  EXPECT_LE(core_.RequestAsyncRead(&selector, &Record, RAZIZID_TAG_CONTROL,
                                   Verification(selector, &Record, RAZIZID_TAG_CONSUMER), &unit),
            0);
  EXPECT_EQ(unit, 0u);
  EXPECT_EQ(core_.RequestCount(), 0u);
  EXPECT_LE(core_.RequestGetDeviceCount(&selector, nullptr, 0, 12345, nullptr), 0);
  EXPECT_LE(core_.RequestGetDeviceCount(nullptr, nullptr, 0, 0, nullptr), 0);
}

TEST_F(CoreTest, SelectorOfAnotherDeviceFindsNothing) {
  const RazIzidSelector other =
      MakeSelector(SelectorFields{.vendorId = 0x046D, .hidInterface = protocol::kControl});
  EXPECT_EQ(
      core_.RequestGetDeviceCount(&other, nullptr, 0, Verification(other, nullptr, 0), nullptr), 0);
  const RazIzidSelector mine = MakeSelector(protocol::kControl);
  EXPECT_EQ(core_.RequestGetDeviceCount(&mine, nullptr, 0, Verification(mine, nullptr, 0), nullptr),
            1);
}

TEST_F(CoreTest, WritesGoToTheSelectedInterface) {
  EXPECT_EQ(WriteOne(protocol::kControl, std::vector<std::uint8_t>(64, 4)), 64);
  ASSERT_EQ(backend_.writes.size(), 1u);
  EXPECT_EQ(backend_.writes[0].to, protocol::kControl);
  EXPECT_FALSE(backend_.writes[0].toEvery);

  const RazIzidSelector led = MakeSelector(protocol::kBankLed);
  const std::vector<std::uint8_t> state = {0x05, 0x02};
  std::uint32_t unit = 0;
  EXPECT_EQ(core_.RequestStatusWrite(&led, &Record, RAZIZID_TAG_LED, state.data(), 2,
                                     Verification(led, &Record, RAZIZID_TAG_LED, state), &unit),
            2);
  EXPECT_NE(unit, 0u) << "a write with a callback stands as a request";
  EXPECT_EQ(backend_.writes.back().data, state);
}

// The events of one request, in the order its callback saw them.
std::vector<Seen> Of(std::uint32_t unit, const std::vector<Seen>& seen) {
  std::vector<Seen> mine;
  for (const Seen& s : seen) {
    if (s.unitId == unit) mine.push_back(s);
  }
  return mine;
}

bool EndsWith(const std::vector<Seen>& seen, std::uint8_t markerByte) {
  return !seen.empty() && !seen.back().data.empty() && seen.back().data.back() == markerByte;
}

TEST_F(CoreTest, ReportsReachOnlyRequestsOfTheirInterfaceInOrder) {
  const std::uint32_t control = Read(protocol::kControl, &Record, RAZIZID_TAG_CONTROL);
  const std::uint32_t consumer = Read(protocol::kConsumer, &Record, RAZIZID_TAG_CONSUMER);
  for (std::uint8_t i = 0; i < 50; ++i) backend_.Report(protocol::kControl, {0x04, 0, 0, i});
  backend_.Report(protocol::kBankLed, {0x05});
  // Markers, one per request: whatever went astray was queued before them.
  constexpr std::uint8_t kMarker = 0xEE;
  backend_.Report(protocol::kControl, {0x04, 0, 0, kMarker});
  backend_.Report(protocol::kConsumer, {0x01, kMarker});

  const auto seen = recorder_.WaitUntil([&](const std::vector<Seen>& all) {
    return EndsWith(Of(control, all), kMarker) && EndsWith(Of(consumer, all), kMarker);
  });
  const auto controlSeen = Of(control, seen);
  ASSERT_EQ(controlSeen.size(), 51u) << "a report went to the wrong request";
  for (std::size_t i = 0; i < 50; ++i) {
    EXPECT_EQ(controlSeen[i].kind, RAZIZID_EVENT_DATA);
    EXPECT_EQ(controlSeen[i].tag, RAZIZID_TAG_CONTROL);
    EXPECT_EQ(controlSeen[i].count, 4u);
    EXPECT_EQ(controlSeen[i].data[3], i) << "out of order";
    EXPECT_NE(controlSeen[i].thread, std::this_thread::get_id());
  }
  EXPECT_EQ(Of(consumer, seen).size(), 1u) << "a report went to the wrong request";
  EXPECT_EQ(seen.size(), 52u);
}

TEST_F(CoreTest, CountChangesReachEveryRequestOnceWithTheNewCount) {
  const std::uint32_t control = Read(protocol::kControl, &Record, RAZIZID_TAG_CONTROL);
  const std::uint32_t consumer = Read(protocol::kConsumer, &Record, RAZIZID_TAG_CONSUMER);
  backend_.SetCount(0);
  backend_.SetCount(0);  // no change, no event
  backend_.SetCount(2);
  constexpr std::uint32_t kMarker = 5;  // a last change each request sees after the others
  backend_.SetCount(kMarker);

  auto counts = [](const std::vector<Seen>& seen) {
    std::vector<std::uint32_t> values;
    for (const auto& s : seen) values.push_back(s.count);
    return values;
  };
  const auto seen = recorder_.WaitUntil([&](const std::vector<Seen>& all) {
    const auto a = Of(control, all), b = Of(consumer, all);
    return !a.empty() && a.back().count == kMarker && !b.empty() && b.back().count == kMarker;
  });
  for (const auto& s : seen) {
    EXPECT_EQ(s.kind, RAZIZID_EVENT_DEVICE_COUNT);
    EXPECT_TRUE(s.data.empty());
  }
  EXPECT_EQ(counts(Of(control, seen)), (std::vector<std::uint32_t>{0, 2, kMarker}));
  EXPECT_EQ(counts(Of(consumer, seen)), (std::vector<std::uint32_t>{0, 2, kMarker}));
  EXPECT_EQ(Of(control, seen).front().tag, RAZIZID_TAG_CONTROL);
  EXPECT_EQ(Of(consumer, seen).front().tag, RAZIZID_TAG_CONSUMER);
}

TEST_F(CoreTest, AWaitingCallbackDoesNotHoldUpAnotherRequest) {
  Read(protocol::kConsumer, &WaitAtGate, RAZIZID_TAG_CONSUMER);
  Read(protocol::kControl, &Record, RAZIZID_TAG_CONTROL);
  backend_.Report(protocol::kConsumer, {0xFF, 0x02});
  ASSERT_TRUE(WaitForGateVisitor());
  backend_.Report(protocol::kControl, {0x04, 0, 0, 3});

  const auto seen = recorder_.WaitFor(1);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].tag, RAZIZID_TAG_CONTROL);
  SetGate(true);
  EXPECT_EQ(recorder_.WaitFor(2).size(), 2u);
}

TEST_F(CoreTest, NoCallbackRunsAfterDeleteReturns) {
  const std::uint32_t unit = Read(protocol::kConsumer, &WaitAtGate, RAZIZID_TAG_CONSUMER);
  for (int i = 0; i < 10; ++i) backend_.Report(protocol::kConsumer, {0x01, 0x18});
  ASSERT_TRUE(WaitForGateVisitor());

  std::atomic<int> passedWhenDeleted{-1};
  std::thread deleter([&] {
    EXPECT_EQ(core_.DeleteRequestFromUnitId(unit), 1);
    passedWhenDeleted = passedGate.load();
  });
  // The request leaves the registry as the delete begins; only then is the
  // callback let go, so a delete that did not wait for it returns first.
  while (core_.RequestCount() != 0) std::this_thread::yield();
  SetGate(true);
  deleter.join();
  EXPECT_EQ(passedWhenDeleted, 1) << "returned while its callback was still running";
  EXPECT_EQ(recorder_.Size(), 1u) << "queued events ran after the delete";

  // A new request on the same interface is the marker: its report comes after
  // any the deleted one might still have been given.
  const std::uint32_t marker = Read(protocol::kConsumer, &Record, RAZIZID_TAG_CONSUMER);
  backend_.Report(protocol::kConsumer, {0x01, 0x18});
  const auto seen =
      recorder_.WaitUntil([&](const std::vector<Seen>& all) { return !Of(marker, all).empty(); });
  EXPECT_EQ(Of(unit, seen).size(), 1u);
  EXPECT_EQ(core_.DeleteRequestFromUnitId(unit), 0);
  EXPECT_EQ(core_.DeleteRequestFromUnitId(0), 0);
}

TEST(Core, CallbackMayCancelItsOwnRequest) {
  FakeBackend backend;
  Recorder seen;
  recorder = &seen;
  {
    Core core(backend);
    ASSERT_EQ(core.Init(0), 1);
    selfCancelCore = &core;
    const RazIzidSelector selector = MakeSelector(protocol::kConsumer);
    std::uint32_t unit = 0;
    ASSERT_EQ(
        core.RequestAsyncRead(&selector, &CancelSelf, RAZIZID_TAG_CONSUMER,
                              Verification(selector, &CancelSelf, RAZIZID_TAG_CONSUMER), &unit),
        1);
    backend.Report(protocol::kConsumer, {0x01});
    backend.Report(protocol::kConsumer, {0x02});
    seen.WaitFor(1);
    EXPECT_EQ(core.RequestCount(), 0u);
    backend.Report(protocol::kConsumer, {0x03});
  }  // the core is gone, and with it every thread that could still call back
  selfCancelCore = nullptr;
  recorder = nullptr;
  const auto all = seen.WaitFor(1);
  ASSERT_EQ(all.size(), 1u) << "events ran after the request cancelled itself";
  EXPECT_EQ(all[0].data, std::vector<std::uint8_t>{0x01});
}

TEST_F(CoreTest, DeleteFromHandleCancelsEveryRequestOfThatCallback) {
  Read(protocol::kControl, &Record, RAZIZID_TAG_CONTROL);
  Read(protocol::kConsumer, &Record, RAZIZID_TAG_CONSUMER);
  Read(protocol::kConsumer, &WaitAtGate, RAZIZID_TAG_CONSUMER);
  EXPECT_EQ(core_.DeleteRequestFromHandle(&Record), 2);
  EXPECT_EQ(core_.RequestCount(), 1u);
}

TEST_F(CoreTest, EndCancelsEverythingAndInitStartsAgain) {
  Read(protocol::kControl, &Record, RAZIZID_TAG_CONTROL);
  EXPECT_EQ(core_.End(), 1);
  EXPECT_EQ(core_.RequestCount(), 0u);
  EXPECT_EQ(WriteOne(protocol::kControl, {0x04}), RAZIZID_NOT_READY);
  const RazIzidSelector selector = MakeSelector(protocol::kControl);
  EXPECT_EQ(core_.RequestGetDeviceCount(&selector, nullptr, 0, Verification(selector, nullptr, 0),
                                        nullptr),
            0);
  EXPECT_EQ(core_.Init(0), 1);
  EXPECT_EQ(core_.Init(0), 1);  // already running: nothing more happens
  EXPECT_EQ(backend_.starts, 2);
  EXPECT_EQ(WriteOne(protocol::kControl, {0x04}), 1);
}

TEST(Core, InitFailsWhenTheBackendCannotStart) {
  FakeBackend backend;
  backend.startResult = false;
  Core core(backend);
  EXPECT_EQ(core.Init(0), 0);
  const RazIzidSelector selector = MakeSelector(protocol::kControl);
  std::uint32_t unit = 0;
  EXPECT_LE(core.RequestAsyncRead(&selector, &Record, 1, Verification(selector, &Record, 1), &unit),
            0);
}

std::unique_ptr<Backend> NoModel(std::string& error, Diagnostics&) {
  error = "no model here";
  return nullptr;
}

TEST(Core, UnknownBackendNameRefusesInit) {
  test::ScopedEnvironment env("RAZIZID_BACKEND", "carrier-pigeon");
  Core core{[](std::string& error, Diagnostics& log) {
    return MakeBackendFromEnvironment(error, &NoModel, log);
  }};
  EXPECT_EQ(core.Init(0), 0);
}

TEST(Verification, EveryInputTakesPart) {
  const RazIzidSelector control = MakeSelector(protocol::kControl);
  const RazIzidSelector consumer = MakeSelector(protocol::kConsumer);
  const std::vector<std::uint8_t> data = {1, 2, 3};
  const std::uint32_t base = Verification(control, &Record, 5, data);
  EXPECT_NE(base, Verification(consumer, &Record, 5, data));
  EXPECT_NE(base, Verification(control, &WaitAtGate, 5, data));
  EXPECT_NE(base, Verification(control, &Record, 6, data));
  EXPECT_NE(base, Verification(control, &Record, 5, std::vector<std::uint8_t>{1, 2, 4}));
  EXPECT_EQ(base, Verification(control, &Record, 5, data));
}

TEST(Selector, LayoutIsKindVendorProductPageUsageReserved) {
  const RazIzidSelector selector = MakeSelector(protocol::kControl);
  const std::vector<std::uint8_t> expected = {0x0F, 0,    0,    0,    0x45, 0x0C, 0x04, 0x50,
                                              0x1C, 0xFF, 0x92, 0x00, 0,    0,    0,    0};
  EXPECT_EQ(std::vector<std::uint8_t>(selector.bytes, selector.bytes + 16), expected);
  EXPECT_EQ(KeyboardInterfaceOf(selector), protocol::kControl);
  RazIzidSelector wrongKind = selector;
  wrongKind.bytes[0] = 0x0E;
  EXPECT_FALSE(KeyboardInterfaceOf(wrongKind).has_value());
}

}  // namespace
}  // namespace ombrex::razizid
