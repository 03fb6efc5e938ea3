#include "device/keyboard_content.h"

#include <gtest/gtest.h>

#include <vector>

namespace ombrex {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr auto kTables = ContentMemory::KeyTables;
constexpr auto kMacros = ContentMemory::Macros;

TEST(KeyboardContent, KnowsOnlyWhatWasReadAndNotWrittenSince) {
  KeyboardContent content;
  const Bytes bytes{1, 2, 3, 4};
  EXPECT_FALSE(content.Holds(kTables, 10, bytes));
  content.Record(kTables, 10, bytes, content.CurrentGeneration());
  EXPECT_TRUE(content.Holds(kTables, 10, bytes));
  EXPECT_TRUE(content.Holds(kTables, 11, Bytes{2, 3}));
  EXPECT_FALSE(content.Holds(kTables, 10, Bytes{1, 2, 3, 5}));     // a different byte
  EXPECT_FALSE(content.Holds(kTables, 10, Bytes{1, 2, 3, 4, 0}));  // one byte unknown
  EXPECT_FALSE(content.Holds(kMacros, 10, bytes));                 // the other memory
  content.Forget(kTables, 12, 1);
  EXPECT_FALSE(content.Holds(kTables, 10, bytes));
  EXPECT_TRUE(content.Holds(kTables, 10, Bytes{1, 2}));
  EXPECT_EQ(content.KnownBytes(kTables), 3u);
}

TEST(KeyboardContent, ForgettingAllStartsANewGenerationAndDropsOlderReads) {
  KeyboardContent content;
  const auto first = content.CurrentGeneration();
  content.Record(kMacros, 0, Bytes{7, 7}, first);
  content.ForgetAll();
  EXPECT_NE(content.CurrentGeneration(), first);
  EXPECT_FALSE(content.Holds(kMacros, 0, Bytes{7, 7}));
  // A read begun before a replug says nothing about the keyboard now.
  content.Record(kMacros, 0, Bytes{7, 7}, first);
  EXPECT_FALSE(content.Holds(kMacros, 0, Bytes{7, 7}));
}

TEST(KeyboardContent, AReadThatContradictsWhatWasKnownForgetsEverythingElse) {
  KeyboardContent content;
  content.Record(kTables, 0, Bytes{1, 1}, content.CurrentGeneration());
  content.Record(kMacros, 100, Bytes{5, 5}, content.CurrentGeneration());
  const auto before = content.CurrentGeneration();
  content.Record(kMacros, 100, Bytes{5, 5}, before);  // the same again: nothing changed
  EXPECT_EQ(content.CurrentGeneration(), before);
  content.Record(kMacros, 101, Bytes{6}, before);
  EXPECT_NE(content.CurrentGeneration(), before);
  EXPECT_FALSE(content.Holds(kTables, 0, Bytes{1, 1}));
  EXPECT_FALSE(content.Holds(kMacros, 100, Bytes{5}));
  EXPECT_TRUE(content.Holds(kMacros, 101, Bytes{6}));  // what the read brought
}

TEST(KeyboardContent, RangesPastTheAddressSpaceAreNeverHeld) {
  KeyboardContent content;
  content.Record(kMacros, 0xFFFF, Bytes{1, 2}, content.CurrentGeneration());
  EXPECT_TRUE(content.Holds(kMacros, 0xFFFF, Bytes{1}));
  EXPECT_FALSE(content.Holds(kMacros, 0xFFFF, Bytes{1, 2}));
  EXPECT_FALSE(content.Holds(kMacros, SIZE_MAX, Bytes{1}));
  content.Forget(kMacros, SIZE_MAX - 1, 10);  // nothing there, nothing breaks
}

}  // namespace
}  // namespace ombrex
