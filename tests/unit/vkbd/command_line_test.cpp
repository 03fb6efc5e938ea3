#include "vkbd/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/portable.h"
#include "tests/support/temp_dir.h"
#include "vkbd/hex.h"

namespace ombrex::vkbd {
namespace {

using vkbd_wire::Type;

std::optional<Invocation> Parse(std::vector<std::string> args, std::string* error = nullptr) {
  std::string ignored;
  return ParseCommandLine(args, error != nullptr ? *error : ignored);
}

TEST(VkbdCommandLine, ServeTakesEveryOption) {
  const std::string table = HexString(std::vector<std::uint8_t>(192, 0x5A));
  const auto invocation = Parse({"serve",
                                 "--socket",
                                 "/tmp/s",
                                 "--state",
                                 "st",
                                 "--trace",
                                 "tr",
                                 "--latency-ms",
                                 "25",
                                 "--seed",
                                 "18446744073709551615",
                                 "--drop",
                                 "0.25",
                                 "--refuse",
                                 "1",
                                 "--wrong-code",
                                 "0",
                                 "--unplug-after",
                                 "7",
                                 "--lose-writes",
                                 "0.5",
                                 "--macro-units",
                                 "12",
                                 "--default-keytable",
                                 table,
                                 "--active-profile",
                                 "3",
                                 "--unplugged"});
  ASSERT_TRUE(invocation);
  EXPECT_EQ(invocation->kind, Invocation::Kind::Serve);
  const ServeOptions& o = invocation->serve;
  EXPECT_EQ(o.socketPath, "/tmp/s");
  EXPECT_EQ(o.stateFile, "st");
  EXPECT_EQ(o.traceFile, "tr");
  EXPECT_EQ(o.faults.latencyMs, 25u);
  EXPECT_EQ(o.faults.seed, UINT64_MAX);
  EXPECT_EQ(o.faults.dropRate, 0.25);
  EXPECT_EQ(o.faults.refuseRate, 1.0);
  EXPECT_EQ(o.faults.wrongCodeRate, 0.0);
  EXPECT_EQ(o.faults.unplugAfter, 7u);
  EXPECT_EQ(o.faults.loseWriteRate, 0.5);
  EXPECT_EQ(o.factory.macroCapacityUnits, 12);
  EXPECT_EQ(o.factory.defaultKeyTable[191], 0x5A);
  EXPECT_EQ(o.factory.activeProfile, 3);
  EXPECT_FALSE(o.startPlugged);
}

TEST(VkbdCommandLine, ServeDefaultsToAPluggedFactoryKeyboard) {
  const auto invocation = [] {
    test::ScopedEnvironment env("OMBREX_VKBD_SOCKET", "/tmp/from-env.sock");
    return Parse({"serve"});
  }();
  ASSERT_TRUE(invocation);
  EXPECT_EQ(invocation->serve.socketPath, "/tmp/from-env.sock");
  EXPECT_TRUE(invocation->serve.startPlugged);
  EXPECT_TRUE(invocation->serve.stateFile.empty());
  EXPECT_EQ(invocation->serve.factory.macroCapacityUnits, 255);
  EXPECT_EQ(invocation->serve.factory.defaultKeyTable, FactoryConfig::BuiltInDefaultKeyTable());
}

TEST(VkbdCommandLine, BadValuesAreUsageErrors) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"serve", "--drop", "1.5"},
      {"serve", "--lose-writes", "2"},
      {"serve", "--drop", "-0.1"},
      {"serve", "--refuse", "nan"},
      {"serve", "--wrong-code", "0.1x"},
      {"serve", "--latency-ms", "-3"},
      {"serve", "--macro-units", "256"},
      {"serve", "--active-profile", "4"},
      {"serve", "--default-keytable", "00"},
      {"serve", "--seed"},
      {"serve", "extra"},
      {"serve", "--raw"},
      {"plug", "now"},
      {"plug", "--state", "x"},
      {"event"},
      {"event", "0x10000"},
      {"event", "0xgg"},
      {"dump"},
      {"dump", "everything"},
      {"dump", "keytable"},
      {"dump", "keytable", "4"},
      {"dump", "status", "1"},
      {"fly"},
  };
  for (const auto& args : bad) {
    std::string error;
    EXPECT_FALSE(Parse(args, &error)) << (args.empty() ? "(none)" : args.back());
    EXPECT_FALSE(error.empty());
  }
}

TEST(VkbdCommandLine, ControlCommandsBecomeRequests) {
  struct Case {
    std::vector<std::string> args;
    Type type;
    std::vector<std::uint8_t> payload;
  };
  const Case cases[] = {
      {{"plug"}, Type::Plug, {}},
      {{"unplug"}, Type::Unplug, {}},
      {{"reset"}, Type::Reset, {}},
      {{"shutdown"}, Type::Shutdown, {}},
      {{"count"}, Type::GetDeviceCount, {}},
      {{"event", "0x02FF"}, Type::Event, {0xFF, 0x02}},
      {{"event", "1811"}, Type::Event, {0x11, 0x18}},
      {{"dump", "status"}, Type::Dump, {0, 0}},
      {{"dump", "keytable", "2"}, Type::Dump, {2, 2}},
      {{"dump", "default-keytable"}, Type::Dump, {5, 0}},
      {{"dump", "bankled", "--raw"}, Type::Dump, {6, 0}},
  };
  for (const Case& c : cases) {
    const auto invocation = Parse(c.args);
    ASSERT_TRUE(invocation) << c.args[0];
    EXPECT_EQ(invocation->kind, Invocation::Kind::Control);
    EXPECT_EQ(invocation->request.type, c.type) << c.args[0];
    EXPECT_EQ(invocation->request.payload, c.payload) << c.args[0];
  }
  EXPECT_TRUE(Parse({"dump", "--raw", "macro", "--socket", "/x"})->raw);
  EXPECT_EQ(Parse({"dump", "--raw", "macro", "--socket", "/x"})->socketPath, "/x");
}

TEST(VkbdCommandLine, ExitCodesWithoutADaemon) {
  test::TempDir dir;
  const std::string socket = (dir / "nobody.sock").string();
  std::ostringstream out, err;
  const std::vector<std::string> plug = {"plug", "--socket", socket};
  EXPECT_EQ(RunCommandLine(plug, out, err), kExitNoDaemon);
  EXPECT_NE(err.str().find("no daemon answers"), std::string::npos);
  const std::vector<std::string> usage = {"plug", "twice"};
  EXPECT_EQ(RunCommandLine(usage, out, err), kExitUsage);
  const std::vector<std::string> help = {"help"};
  EXPECT_EQ(RunCommandLine(help, out, err), kExitOk);
  EXPECT_NE(out.str().find("dump MEMORY"), std::string::npos);
}

}  // namespace
}  // namespace ombrex::vkbd
