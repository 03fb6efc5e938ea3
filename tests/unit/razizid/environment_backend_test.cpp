// The backend the environment chooses, as the shared library starts it.

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <variant>

#include "device/device_link.h"
#include "device/results.h"
#include "platform/command_line.h"
#include "razizid/in_process.h"
#include "tests/support/portable.h"
#include "tests/support/temp_dir.h"

namespace ombrex::razizid {
namespace {

class EnvironmentBackend : public ::testing::Test {
 protected:
  ~EnvironmentBackend() override {
    test::SetEnvironment("RAZIZID_BACKEND", std::nullopt);
    test::SetEnvironment("RAZIZID_MODEL_STATE", std::nullopt);
    test::SetEnvironment("RAZIZID_MODEL_FAULTS", std::nullopt);
  }
  test::TempDir dir_;
};

std::array<std::uint8_t, 192> ReadTable(const ServiceLibrary& library, ProfileNumber profile) {
  AppState state;
  DeviceLink link(library, state, LinkTiming::Fast());
  link.RegisterReplyRead();
  std::array<std::uint8_t, 192> table{};
  EXPECT_EQ(link.Commands().ReadKeyTable(table, profile), result::kOk);
  return table;
}

TEST_F(EnvironmentBackend, ModelKeepsItsMemoriesInTheStateFileAcrossStarts) {
  const auto stateFile = dir_ / "keyboard.state";
  test::SetEnvironment("RAZIZID_BACKEND", "model");
  test::SetEnvironment("RAZIZID_MODEL_STATE", Utf8FromPath(stateFile));
  std::array<std::uint8_t, 192> table{};
  std::iota(table.begin(), table.end(), 1);
  {
    InProcessLibrary library;
    auto bound = BindServiceLibrary(library.Functions());
    ASSERT_TRUE(std::holds_alternative<ServiceLibrary>(bound));
    AppState state;
    DeviceLink link(std::get<ServiceLibrary>(bound), state, LinkTiming::Fast());
    ASSERT_GT(link.RegisterReplyRead(), 0);
    ASSERT_EQ(link.Commands().BeginTransfer(), result::kOk);
    ASSERT_EQ(link.Commands().WriteKeyTable(table, 2), result::kOk);
    ASSERT_EQ(link.Commands().EndTransfer(), result::kOk);  // the moment it is kept
  }
  ASSERT_TRUE(std::filesystem::exists(stateFile));

  InProcessLibrary again;
  auto bound = BindServiceLibrary(again.Functions());
  ASSERT_TRUE(std::holds_alternative<ServiceLibrary>(bound));
  EXPECT_EQ(ReadTable(std::get<ServiceLibrary>(bound), 2), table);
}

TEST_F(EnvironmentBackend, ModelFaultsComeFromTheEnvironment) {
  test::SetEnvironment("RAZIZID_BACKEND", "model");
  test::SetEnvironment("RAZIZID_MODEL_FAULTS", "drop=1");
  InProcessLibrary library;
  auto bound = BindServiceLibrary(library.Functions());
  ASSERT_TRUE(std::holds_alternative<ServiceLibrary>(bound));
  AppState state;
  DeviceLink link(std::get<ServiceLibrary>(bound), state, LinkTiming::Fast());
  link.RegisterReplyRead();
  StatusBlock block{};
  EXPECT_EQ(link.Commands().ReadStatusBlock(block), result::kNoReply);

  test::SetEnvironment("RAZIZID_MODEL_FAULTS", "drop=lots");
  InProcessLibrary refused;
  EXPECT_TRUE(std::holds_alternative<ServiceLibraryError>(BindServiceLibrary(refused.Functions())));
}

}  // namespace
}  // namespace ombrex::razizid
