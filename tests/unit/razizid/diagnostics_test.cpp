// What the library has to say reaches the program through the callbacks it
// sets, and never the process's own streams; what passes to and from a
// keyboard reaches the monitor, in the order it passed.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "device/razizid_wire.h"
#include "device/service_library.h"
#include "platform/command_line.h"
#include "razizid/in_process.h"
#include "tests/support/portable.h"
#include "tests/support/temp_dir.h"
#include "vkbd/packets.h"

namespace ombrex::razizid {
namespace {

struct Heard {
  std::mutex mutex;
  std::condition_variable added;
  std::vector<std::pair<int, std::string>> lines;
  std::vector<std::string> reports;  // "out ff1c:0092 04", first byte only

  bool Has(int level, const std::string& part) {
    std::lock_guard lock(mutex);
    for (const auto& [lineLevel, text] : lines) {
      if (lineLevel == level && text.find(part) != std::string::npos) return true;
    }
    return false;
  }
};

void RAZIZID_CALL Hear(void* context, int level, const char* message) {
  auto* heard = static_cast<Heard*>(context);
  std::lock_guard lock(heard->mutex);
  heard->lines.emplace_back(level, message);
}

void RAZIZID_CALL See(void* context, std::uint32_t direction, std::uint16_t page,
                      std::uint16_t usage, const std::uint8_t* data, std::uint32_t length) {
  auto* heard = static_cast<Heard*>(context);
  char line[64];
  std::snprintf(line, sizeof line, "%s %04x:%04x %02x/%u", direction == RAZIZID_SENT ? "out" : "in",
                page, usage, length > 0 ? data[0] : 0, length);
  std::lock_guard lock(heard->mutex);
  heard->reports.emplace_back(line);
  heard->added.notify_all();
}

int RAZIZID_CALL Ignore(const RazIzidEvent*) {
  return 1;
}

class FailingBackend : public Backend {
 public:
  bool Start(BackendSink&) override { return true; }
  void Stop() override {}
  DeviceCounts Counts() override { return DeviceCounts::All(1); }
  int Write(protocol::Interface, std::span<const std::uint8_t>, bool) override {
    throw std::runtime_error("the wire is cut");
  }
};

class LibraryDiagnostics : public ::testing::Test {
 protected:
  ~LibraryDiagnostics() override {
    test::SetEnvironment("RAZIZID_BACKEND", std::nullopt);
    test::SetEnvironment("RAZIZID_MODEL_STATE", std::nullopt);
  }
  test::TempDir dir_;
};

TEST_F(LibraryDiagnostics, EveryKindOfTroubleReachesTheLogAndNothingTheErrorStream) {
  const RazIzidSelector control = MakeSelector(protocol::kControl);
  const std::uint8_t report[] = {0x04, 1, 2, 3};
  const struct {
    const char* trouble;
    int level;
    const char* says;
    std::function<void(const RazIzidFunctions&)> cause;
  } cases[] = {
      {"a backend name nobody knows", RAZIZID_LOG_ERROR, "unknown RAZIZID_BACKEND",
       [](const RazIzidFunctions& f) {
         test::SetEnvironment("RAZIZID_BACKEND", "carrier-pigeon");
         EXPECT_LE(f.Init(0), 0);
       }},
      {"a state file that is not one", RAZIZID_LOG_ERROR, "is not usable",
       [this](const RazIzidFunctions& f) {
         std::ofstream(dir_ / "broken.state") << "not a keyboard";
         test::SetEnvironment("RAZIZID_BACKEND", "model");
         test::SetEnvironment("RAZIZID_MODEL_STATE", Utf8FromPath(dir_ / "broken.state"));
         EXPECT_EQ(f.Init(0), 1);
       }},
      {"a request whose check fails, with detail asked for", RAZIZID_LOG_DETAIL, "refused",
       [&](const RazIzidFunctions& f) {
         test::SetEnvironment("RAZIZID_BACKEND", "model");
         ASSERT_EQ(f.Init(0), 1);
         f.Debug(1);
         EXPECT_EQ(f.RequestWriteOne(&control, nullptr, 0, report, sizeof report, 12345, nullptr),
                   RAZIZID_REFUSED);
       }},
  };
  for (const auto& c : cases) {
    Heard heard;
    InProcessLibrary library;
    library.Functions().SetLog(&Hear, &heard);
    ::testing::internal::CaptureStderr();
    c.cause(library.Functions());
    library.Functions().End();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << c.trouble;
    EXPECT_TRUE(heard.Has(c.level, c.says)) << c.trouble;
    test::SetEnvironment("RAZIZID_MODEL_STATE", std::nullopt);
  }

  // A failure inside a call, from a backend of the caller's.
  FailingBackend failing;
  InProcessLibrary library(failing);
  Heard heard;
  library.Functions().SetLog(&Hear, &heard);
  ASSERT_EQ(library.Functions().Init(0), 1);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(library.Functions().RequestWriteOne(&control, nullptr, 0, report, sizeof report,
                                                Verification(control, nullptr, 0, report), nullptr),
            RAZIZID_IO_ERROR);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(heard.Has(RAZIZID_LOG_ERROR, "RequestWriteOne failed: the wire is cut"));
}

TEST_F(LibraryDiagnostics, DetailIsSaidOnlyWhileAskedFor) {
  test::SetEnvironment("RAZIZID_BACKEND", "model");
  InProcessLibrary library;
  Heard heard;
  const RazIzidFunctions& f = library.Functions();
  f.SetLog(&Hear, &heard);
  ASSERT_EQ(f.Init(0), 1);
  const RazIzidSelector control = MakeSelector(protocol::kControl);
  const std::uint8_t report[] = {0x04};
  f.RequestWriteOne(&control, nullptr, 0, report, 1, 1, nullptr);
  EXPECT_TRUE(heard.lines.empty());
  f.SetLog(nullptr, nullptr);
  f.Debug(1);
  f.RequestWriteOne(&control, nullptr, 0, report, 1, 1, nullptr);
  EXPECT_TRUE(heard.lines.empty()) << "nobody listens any more";
}

TEST_F(LibraryDiagnostics, TheMonitorSeesARequestBeforeItsReplyWithTheirInterface) {
  vkbd::Keyboard keyboard;
  InProcessLibrary library(keyboard);
  const RazIzidFunctions& f = library.Functions();
  Heard heard;
  f.SetMonitor(&See, &heard);
  ASSERT_EQ(f.Init(0), 1);
  const RazIzidSelector control = MakeSelector(protocol::kControl);
  std::uint32_t unit = 0;
  ASSERT_EQ(f.RequestAsyncRead(&control, &Ignore, RAZIZID_TAG_CONTROL,
                               Verification(control, &Ignore, RAZIZID_TAG_CONTROL), &unit),
            1);
  const vkbd::Packet packet = vkbd::BuildPacket(protocol::Command::ReadStatusBlock, 56);
  ASSERT_EQ(f.RequestWriteOne(&control, nullptr, 0, packet.data(), packet.size(),
                              Verification(control, nullptr, 0, packet), nullptr),
            64);
  std::unique_lock lock(heard.mutex);
  ASSERT_TRUE(heard.added.wait_for(lock, std::chrono::seconds(5),
                                   [&] { return heard.reports.size() >= 2; }));
  EXPECT_EQ(heard.reports, (std::vector<std::string>{"out ff1c:0092 04/64", "in ff1c:0092 04/64"}));
  lock.unlock();
  f.SetMonitor(nullptr, nullptr);
  f.RequestWriteOne(&control, nullptr, 0, packet.data(), packet.size(),
                    Verification(control, nullptr, 0, packet), nullptr);
  f.DeleteRequestFromUnitId(unit);
  EXPECT_EQ(heard.reports.size(), 2u) << "no monitor, nothing seen";
}

TEST_F(LibraryDiagnostics, WhatTheLibrarySaidWhileStartingReachesTheErrorAndTheListener) {
  test::SetEnvironment("RAZIZID_BACKEND", "carrier-pigeon");
  InProcessLibrary refusing;
  const ServiceLibraryResult refused = BindServiceLibrary(refusing.Functions());
  ASSERT_TRUE(std::holds_alternative<ServiceLibraryError>(refused));
  EXPECT_NE(std::get<ServiceLibraryError>(refused).detail.find("unknown RAZIZID_BACKEND"),
            std::string::npos);

  std::ofstream(dir_ / "broken.state") << "not a keyboard";
  test::SetEnvironment("RAZIZID_BACKEND", "model");
  test::SetEnvironment("RAZIZID_MODEL_STATE", Utf8FromPath(dir_ / "broken.state"));
  InProcessLibrary starting;
  const ServiceLibraryResult bound = BindServiceLibrary(starting.Functions());
  ASSERT_TRUE(std::holds_alternative<ServiceLibrary>(bound));
  std::vector<std::string> said;
  {
    LibraryListener listener(std::get<ServiceLibrary>(bound),
                             [&](int, std::string_view line) { said.emplace_back(line); });
    EXPECT_TRUE(listener.Hears());
  }
  ASSERT_EQ(said.size(), 1u);
  EXPECT_NE(said[0].find("is not usable"), std::string::npos) << said[0];
}

}  // namespace
}  // namespace ombrex::razizid
