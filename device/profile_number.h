#pragma once

// One of the keyboard's four onboard profiles. A ProfileNumber always holds
// 0..3, so a function that takes one needs no range check of its own. It is
// made from a literal, checked while compiling, or from a number known only
// at run time through From, which refuses anything outside 0..3. The plain
// integer lives only at the edges (a menu row, a command line, byte 10 of the
// status block, a file name).
//
//   workspace.StoreEntry(2, slot, entry);                  // literal: checked by the compiler
//   if (const auto profile = ProfileNumber::From(row)) {   // run time: checked here
//     commands.SetActiveProfile(*profile);
//   }
//   for (const ProfileNumber profile : ProfileNumber::All()) ...
//   const std::size_t address = protocol::kKeyTableSize * profile.Index();
//
// Where the program may not know the profile (the keyboard's active profile
// before it was read), the type is std::optional<ProfileNumber>: empty means
// unknown.

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

#include "device/protocol.h"

namespace ombrex {

namespace profile_number_detail {
// Reached while compiling only (its one caller is consteval): the throw
// makes a bad literal an error. Not consteval itself, as clang 14 would then
// emit a call to it from a default member initializer that cannot link.
constexpr std::uint8_t Checked(int number) {
  if (number < 0 || number >= static_cast<int>(protocol::kProfileCount)) {
    throw "not a profile number 0..3";
  }
  return static_cast<std::uint8_t>(number);
}
}  // namespace profile_number_detail

class ProfileNumber {
 public:
  static constexpr std::size_t kCount = protocol::kProfileCount;

  // A literal 0..3; any other number, or one not known while compiling, does
  // not compile.
  consteval ProfileNumber(int number) : index_(profile_number_detail::Checked(number)) {}

  // Empty for a number outside 0..3, whatever its type or sign.
  static constexpr std::optional<ProfileNumber> From(std::integral auto number) {
    if (std::cmp_less(number, 0) || std::cmp_greater_equal(number, kCount)) return std::nullopt;
    return ProfileNumber(Valid{static_cast<std::uint8_t>(number)});
  }

  static constexpr std::array<ProfileNumber, kCount> All() { return {0, 1, 2, 3}; }

  constexpr std::size_t Index() const { return index_; }

  friend constexpr bool operator==(ProfileNumber, ProfileNumber) = default;

 private:
  struct Valid {
    std::uint8_t index;
  };
  constexpr explicit ProfileNumber(Valid valid) : index_(valid.index) {}

  std::uint8_t index_;
};

}  // namespace ombrex
