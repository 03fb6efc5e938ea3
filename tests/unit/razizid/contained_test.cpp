// Whatever goes wrong inside the library stays inside: its C functions answer
// with the I/O error result, and the library keeps working afterwards.

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <system_error>
#include <variant>

#include "device/razizid_wire.h"
#include "device/service_library.h"
#include "razizid/in_process.h"

namespace ombrex::razizid {
namespace {

// Each call throws something else while `failing` is set: memory running
// out, a thread that cannot start, an ordinary error, something that is not
// an exception class at all.
class ThrowingBackend : public Backend {
 public:
  bool failing = true;
  bool failStart = false;

  bool Start(BackendSink&) override {
    if (failStart) throw std::bad_alloc();
    return true;
  }
  void Stop() override {
    if (failing) throw std::runtime_error("cannot stop");
  }
  DeviceCounts Counts() override {
    if (failing)
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    return DeviceCounts::All(1);
  }
  int Write(protocol::Interface, std::span<const std::uint8_t> report, bool) override {
    if (failing) throw std::bad_alloc();
    return static_cast<int>(report.size());
  }
  int GetFeature(protocol::Interface, std::span<std::uint8_t>) override {
    if (failing) throw 42;
    return RAZIZID_UNSUPPORTED;
  }
  int SetFeature(protocol::Interface, std::span<const std::uint8_t>) override {
    if (failing) throw std::length_error("too long");
    return RAZIZID_UNSUPPORTED;
  }
  std::string LastOpenError() override {
    if (failing) throw std::bad_alloc();
    return {};
  }
};

int RAZIZID_CALL Ignore(const RazIzidEvent*) {
  return 1;
}

class ContainedTest : public ::testing::Test {
 protected:
  const RazIzidFunctions& F() const { return library_.Functions(); }

  int WriteWith(decltype(RazIzidFunctions::RequestWrite) write) {
    const std::uint8_t report[] = {0x04, 1, 2, 3};
    return write(&selector_, nullptr, 0, report, sizeof report,
                 Verification(selector_, nullptr, 0, report), nullptr);
  }

  ThrowingBackend backend_;
  InProcessLibrary library_{backend_};
  const RazIzidSelector selector_ = MakeSelector(protocol::kControl);
};

TEST_F(ContainedTest, EveryFunctionThatReachesAFailingBackendAnswersWithAnIoError) {
  ASSERT_EQ(F().Init(0), 1);
  std::uint32_t unit = 7;
  std::uint8_t feature[8] = {0x07};
  const struct {
    const char* call;
    int result;
  } calls[] = {
      {"RequestGetDeviceCount",
       F().RequestGetDeviceCount(&selector_, nullptr, 0, Verification(selector_, nullptr, 0),
                                 nullptr)},
      {"RequestWrite", WriteWith(F().RequestWrite)},
      {"RequestWriteOne", WriteWith(F().RequestWriteOne)},
      {"RequestStatusWrite", WriteWith(F().RequestStatusWrite)},
      {"RequestStatusSetFeature", WriteWith(F().RequestStatusSetFeature)},
      {"RequestStatusGet", F().RequestStatusGet(&selector_, nullptr, 0, feature, sizeof feature,
                                                Verification(selector_, nullptr, 0), nullptr)},
      {"RequestAsyncRead",
       F().RequestAsyncRead(&selector_, &Ignore, RAZIZID_TAG_CONTROL,
                            Verification(selector_, &Ignore, RAZIZID_TAG_CONTROL), &unit)},
      {"LastOpenError", F().LastOpenError(nullptr, 0)},
  };
  for (const auto& call : calls) EXPECT_EQ(call.result, RAZIZID_IO_ERROR) << call.call;
  EXPECT_EQ(unit, 0u) << "no request was made";
  EXPECT_EQ(library_.GetCore().RequestCount(), 0u);

  // Nothing was left half done or locked: the same library works at once.
  backend_.failing = false;
  EXPECT_EQ(WriteWith(F().RequestWriteOne), 4);
  EXPECT_EQ(F().RequestAsyncRead(&selector_, &Ignore, RAZIZID_TAG_CONTROL,
                                 Verification(selector_, &Ignore, RAZIZID_TAG_CONTROL), &unit),
            1);
  EXPECT_NE(unit, 0u);
}

TEST_F(ContainedTest, EndOnABackendThatThrowsStillEndsAndInitStartsAgain) {
  ASSERT_EQ(F().Init(0), 1);
  EXPECT_EQ(F().End(), RAZIZID_IO_ERROR);
  EXPECT_EQ(WriteWith(F().RequestWriteOne), RAZIZID_NOT_READY) << "ended all the same";
  backend_.failing = false;
  EXPECT_EQ(F().Init(0), 1);
  EXPECT_EQ(WriteWith(F().RequestWriteOne), 4);
}

TEST_F(ContainedTest, ABackendThatThrowsAsItStartsIsAnInitTheBinderRefuses) {
  backend_.failStart = true;
  const ServiceLibraryResult bound = BindServiceLibrary(F());
  ASSERT_TRUE(std::holds_alternative<ServiceLibraryError>(bound));
  EXPECT_EQ(std::get<ServiceLibraryError>(bound).reason, ServiceLibraryError::Reason::InitRefused);
  EXPECT_EQ(WriteWith(F().RequestWriteOne), RAZIZID_NOT_READY);

  backend_.failStart = false;
  backend_.failing = false;
  EXPECT_EQ(F().Init(0), 1);
}

}  // namespace
}  // namespace ombrex::razizid
