#include "platform/named_events.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <semaphore.h>
#include <unistd.h>

#include <string>

namespace ombrex {
namespace {

// Names of the test's own, so parallel runs never share objects.
std::string TestPrefix() {
  return "OmbrexTest" + std::to_string(::getpid()) + "_Event_";
}

bool Exists(const std::string& name) {
  sem_t* event = sem_open(("/" + name).c_str(), 0);
  if (event == SEM_FAILED) return false;
  sem_close(event);
  return true;
}

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

}  // namespace
}  // namespace ombrex
