#include "platform/named_events.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/portable.h"

#ifdef _WIN32
#include "platform/text.h"
#include "platform/win32.h"
#else
#include <fcntl.h>
#include <semaphore.h>
#endif

namespace ombrex {
namespace {

// Names of the test's own, so parallel runs never share objects.
std::string TestPrefix() {
  return "OmbrexTest" + std::to_string(test::ProcessId()) + "_Event_";
}

#ifdef _WIN32
std::wstring WideName(const std::string& name) {
  const std::u16string wide = Utf16FromUtf8(name);
  return std::wstring(wide.begin(), wide.end());
}

bool Exists(const std::string& name) {
  const HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, WideName(name).c_str());
  if (event == nullptr) return false;
  CloseHandle(event);
  return true;
}
#else
bool Exists(const std::string& name) {
  sem_t* event = sem_open(("/" + name).c_str(), 0);
  if (event == SEM_FAILED) return false;
  sem_close(event);
  return true;
}
#endif

TEST(NamedEventsTest, NamesRunFromOneToTwoHundredAndEight) {
  EXPECT_EQ(NamedEventName(kNamedEventPrefix, 1), "Vantrel_Event_Main_01");
  EXPECT_EQ(NamedEventName(kNamedEventPrefix, 9), "Vantrel_Event_Main_09");
  EXPECT_EQ(NamedEventName(kNamedEventPrefix, 100), "Vantrel_Event_Main_100");
  EXPECT_EQ(NamedEventName(kNamedEventPrefix, 208), "Vantrel_Event_Main_208");
}

TEST(NamedEventsTest, CreatedForTheRunAndRemovedAtExit) {
  const std::string prefix = TestPrefix();
  {
    NamedEvents events(prefix);
    EXPECT_EQ(events.Create(), kNamedEventCount);
    EXPECT_TRUE(Exists(NamedEventName(prefix, 1)));
    EXPECT_TRUE(Exists(NamedEventName(prefix, 208)));
    events.Close();
    EXPECT_EQ(events.Count(), 0);
    EXPECT_FALSE(Exists(NamedEventName(prefix, 1)));
    EXPECT_FALSE(Exists(NamedEventName(prefix, 208)));
    events.Create();
  }
  // The destructor removes them as well.
  EXPECT_FALSE(Exists(NamedEventName(prefix, 100)));
}

#ifdef _WIN32
// Windows removes an event with its last handle, so nothing outlives a
// crashed run; an event another process holds open is shared, not replaced,
// and stays as that process left it.
TEST(NamedEventsTest, AnEventAnotherProcessHoldsIsSharedAndNotSignalled) {
  const std::string prefix = TestPrefix();
  const std::wstring name = WideName(NamedEventName(prefix, 17));
  const HANDLE other = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
  ASSERT_NE(other, nullptr);

  NamedEvents events(prefix);
  EXPECT_EQ(events.Create(), kNamedEventCount);
  EXPECT_EQ(WaitForSingleObject(other, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  events.Close();
  EXPECT_TRUE(Exists(NamedEventName(prefix, 17))) << "the other process still holds it";
  EXPECT_FALSE(Exists(NamedEventName(prefix, 18)));
  CloseHandle(other);
  EXPECT_FALSE(Exists(NamedEventName(prefix, 17)));
}
#else
TEST(NamedEventsTest, LeftoversOfACrashedRunDoNotStopANewStart) {
  const std::string prefix = TestPrefix();
  const std::string leftover = "/" + NamedEventName(prefix, 17);
  sem_t* old = sem_open(leftover.c_str(), O_CREAT, 0600, 3);
  ASSERT_NE(old, SEM_FAILED);
  sem_close(old);

  NamedEvents events(prefix);
  EXPECT_EQ(events.Create(), kNamedEventCount);
  // A fresh, non-signalled object took its place.
  sem_t* fresh = sem_open(leftover.c_str(), 0);
  ASSERT_NE(fresh, SEM_FAILED);
  int value = -1;
  sem_getvalue(fresh, &value);
  EXPECT_EQ(value, 0);
  sem_close(fresh);
}
#endif

}  // namespace
}  // namespace ombrex
