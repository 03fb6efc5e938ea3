#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/ini.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace ombrex::ini {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

// Rewrites a file behind the cache's back as another program would.
void ReplaceBehindTheCache(const TempDir& dir, std::string_view name, std::string_view bytes) {
  const auto temporary = dir.Write(std::string(name) + ".other", bytes);
  std::filesystem::rename(temporary, dir / name);
}

TEST(IniCache, ReparsesOnlyWhenTheFileChanges) {
  TempDir dir;
  DocumentCache cache;
  const auto file = dir.Write("t.ini", "[S]\nk=1\n");
  const auto first = cache.Load(file);
  EXPECT_EQ(cache.Load(file), first) << "an unchanged file is not parsed again";

  ReplaceBehindTheCache(dir, "t.ini", "[S]\nk=2\n");  // same size, new file
  const auto second = cache.Load(file);
  EXPECT_NE(second, first);
  EXPECT_EQ(Find(*second, u"S", u"k"), u"2");
  EXPECT_EQ(Find(*first, u"S", u"k"), u"1") << "a held document never changes";

  std::filesystem::remove(file);
  EXPECT_FALSE(Find(*cache.Load(file), u"S", u"k").has_value());
}

TEST(IniCache, AnotherWritersFileWithTheSameSizeAndTimeIsSeen) {
  TempDir dir;
  DocumentCache cache;
  const auto file = dir.Write("t.ini", "[S]\nk=1\n");
  ASSERT_EQ(Find(*cache.Load(file), u"S", u"k"), u"1");
  const auto time = std::filesystem::last_write_time(file);
  const auto other = dir.Write("t.ini.other", "[S]\nk=2\n");
  std::filesystem::last_write_time(other, time);
  std::filesystem::rename(other, file);
  ASSERT_EQ(std::filesystem::last_write_time(file), time);
  EXPECT_EQ(Find(*cache.Load(file), u"S", u"k"), u"2") << "told apart by the file itself";
}

// A file read through a cache of the test's own by a reader that looks at the
// file only once an hour, unless the cache tells it of a write.
class OwnCache : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(slow.ReadString(u"S", u"k", u""), u"1"); }

  TempDir dir;
  DocumentCache cache;
  const std::filesystem::path file = dir.Write("t.ini", "[S]\nk=1\n");
  const CachedFile slow{cache, file, std::chrono::hours(1)};
};

TEST_F(OwnCache, OwnWritesAreSeenAtOnce) {
  for (int i = 2; i < 6; ++i) {
    ASSERT_TRUE(cache.WriteString(file, u"S", u"k", DecimalText(i)));
    ASSERT_EQ(Find(*cache.Load(file), u"S", u"k"), DecimalText(i));
    ASSERT_EQ(slow.ReadString(u"S", u"k", u""), DecimalText(i));
  }
  // A whole file made otherwise (a copy of another) is an own write as well.
  ASSERT_TRUE(cache.ReplaceFile(file, "[S]\nk=copied\n"));
  EXPECT_EQ(slow.ReadString(u"S", u"k", u""), u"copied");
  EXPECT_EQ(test::ReadText(file), "[S]\nk=copied\n");
}

TEST(IniCache, FreeFunctionsShareTheProgramsCache) {
  TempDir dir;
  const auto file = dir.Write("t.ini", "[S]\nk=1\n");
  const CachedFile slow(file, std::chrono::hours(1));
  ASSERT_EQ(slow.ReadString(u"S", u"k", u""), u"1");
  ASSERT_TRUE(WriteString(file, u"S", u"k", u"2"));
  EXPECT_EQ(ReadString(file, u"S", u"k", u""), u"2");
  EXPECT_EQ(slow.ReadString(u"S", u"k", u""), u"2");
  ASSERT_TRUE(ReplaceFile(file, "[S]\nk=3\n"));
  EXPECT_EQ(slow.ReadInt(u"S", u"k", 0), 3);
  EXPECT_EQ(Load(file), ProcessCache().Load(file));

  // A cache of a test's own is another reader, as another program would be.
  DocumentCache own;
  ASSERT_TRUE(own.WriteString(file, u"S", u"k", u"4"));
  EXPECT_EQ(slow.ReadString(u"S", u"k", u""), u"3") << "seen at the next recheck only";
  EXPECT_EQ(ReadString(file, u"S", u"k", u""), u"4");
}

TEST_F(OwnCache, ReplacingAFileThatCannotBeWrittenFails) {
  EXPECT_FALSE(cache.ReplaceFile(dir / "no folder" / "t.ini", "[S]\nk=2\n"));
  std::filesystem::create_directory(dir / "a folder");
  EXPECT_FALSE(cache.ReplaceFile(dir / "a folder", "[S]\nk=2\n"));
  EXPECT_EQ(slow.ReadString(u"S", u"k", u""), u"1");
}

TEST(IniCachedFile, LooksAtTheFileOnlyAfterTheRecheckTime) {
  TempDir dir;
  const auto file = dir.Write("t.ini", "[S]\nk=1\n");
  const CachedFile slow(file, std::chrono::hours(1));
  const CachedFile eager(file, 0ms);
  ASSERT_EQ(slow.ReadString(u"S", u"k", u""), u"1");

  ReplaceBehindTheCache(dir, "t.ini", "[S]\nk=22\n");
  EXPECT_EQ(slow.ReadString(u"S", u"k", u""), u"1") << "no look at the file in between";
  EXPECT_EQ(eager.ReadString(u"S", u"k", u""), u"22");

  // A write through this process is seen at once, whatever the interval.
  ASSERT_TRUE(WriteString(file, u"S", u"k", u"333"));
  EXPECT_EQ(slow.ReadString(u"S", u"k", u""), u"333");
  EXPECT_EQ(slow.ReadInt(u"S", u"k", 0), 333);
}

TEST(IniCachedFile, BufferReadsFollowTheSameRules) {
  TempDir dir;
  DocumentCache cache;
  const CachedFile missing(cache, dir / "absent.ini", 0ms);
  char16_t buffer[4];
  EXPECT_EQ(missing.ReadString(u"S", u"k", u"#Error", buffer, 4), 3u);
  EXPECT_EQ(std::u16string_view(buffer), u"#Er");
  EXPECT_EQ(missing.ReadString(u"S", u"k", u"#Error", buffer, 0), 0u);
  // The file appears later: a missing file is looked for again too.
  dir.Write("absent.ini", "[S]\nk=x\n");
  EXPECT_EQ(missing.ReadString(u"S", u"k", u"#Error", buffer, 4), 1u);
  EXPECT_EQ(std::u16string_view(buffer), u"x");
}

TEST(IniCache, ReadersNeverSeeAHalfWrittenValue) {
  TempDir dir;
  const auto file = dir / "t.ini";
  // Every value written is one letter repeated 300 times; a torn read would
  // show a short value or two letters.
  const auto valueOf = [](int i) {
    return std::u16string(300, static_cast<char16_t>(u'a' + i % 26));
  };
  ASSERT_TRUE(WriteString(file, u"S", u"k", valueOf(0)));
  const CachedFile cached(file, 0ms);
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::vector<std::thread> readers;
  for (int r = 0; r < 3; ++r) {
    readers.emplace_back([&, r] {
      while (!done) {
        std::u16string value =
            r == 0 ? ReadString(file, u"S", u"k", u"") : cached.ReadString(u"S", u"k", u"");
        if (value.size() != 300 || value.find_first_not_of(value[0]) != std::u16string::npos) ++bad;
      }
    });
  }
  // The readers are joined before anything is asserted: a failure must not
  // leave running threads behind.
  int failedWrites = 0;
  for (int i = 1; i < 200; ++i) failedWrites += WriteString(file, u"S", u"k", valueOf(i)) ? 0 : 1;
  done = true;
  for (auto& reader : readers) reader.join();
  EXPECT_EQ(failedWrites, 0);
  EXPECT_EQ(bad.load(), 0);
}

TEST(IniCache, ConcurrentWritersLoseNoUpdate) {
  TempDir dir;
  const auto file = dir / "t.ini";
  std::vector<std::thread> writers;
  for (int w = 0; w < 4; ++w) {
    writers.emplace_back([&, w] {
      for (int i = 0; i < 25; ++i) {
        WriteString(file, u"S", u"k" + DecimalText(w) + u"_" + DecimalText(i), DecimalText(i));
      }
    });
  }
  for (auto& writer : writers) writer.join();
  EXPECT_EQ(KeyNames(*Load(file), u"S").size(), 100u);
}

}  // namespace
}  // namespace ombrex::ini
