#pragma once

// The keyboard's G keys: G1..G9, the same nine in each of the two banks.

#include <cstddef>

namespace ombrex {

inline constexpr std::size_t kGKeyCount = 9;

}  // namespace ombrex
