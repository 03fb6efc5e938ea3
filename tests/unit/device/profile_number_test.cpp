#include "device/profile_number.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "device/app_state.h"

namespace ombrex {
namespace {

// The command set, the model and the editors take a ProfileNumber, so these
// numbers can never reach the keyboard as a profile: nothing is sent for them.
TEST(ProfileNumberTest, RefusesAProfileOutsideZeroToThree) {
  for (long long number : {4LL, 5LL, -1LL, -4LL, LLONG_MIN, LLONG_MAX}) {
    EXPECT_EQ(ProfileNumber::From(number), std::nullopt) << number;
  }
  for (int number : {4, -1, INT_MIN, INT_MAX}) {
    EXPECT_EQ(ProfileNumber::From(number), std::nullopt) << number;
  }
  // Unsigned numbers that wrap to small signed ones are refused too.
  EXPECT_EQ(ProfileNumber::From(std::size_t{0} - 1), std::nullopt);
  EXPECT_EQ(ProfileNumber::From(0x1'0000'0002ull), std::nullopt);
  EXPECT_EQ(ProfileNumber::From(std::uint8_t{255}), std::nullopt);
}

TEST(ProfileNumberTest, TakesZeroToThreeFromAnyIntegerType) {
  EXPECT_EQ(ProfileNumber::From(0)->Index(), 0u);
  EXPECT_EQ(ProfileNumber::From(std::size_t{3})->Index(), 3u);
  EXPECT_EQ(ProfileNumber::From(std::uint8_t{2}), ProfileNumber(2));
  EXPECT_NE(ProfileNumber(1), ProfileNumber(2));
}

TEST(ProfileNumberTest, AllIsTheFourProfilesInOrder) {
  std::vector<std::size_t> indexes;
  for (const ProfileNumber profile : ProfileNumber::All()) indexes.push_back(profile.Index());
  EXPECT_EQ(indexes, (std::vector<std::size_t>{0, 1, 2, 3}));
}

TEST(ProfileNumberTest, TheCachedActiveProfileStartsUnknown) {
  const AppState state;
  EXPECT_EQ(state.deviceProfile.load(), std::nullopt);
}

}  // namespace
}  // namespace ombrex
