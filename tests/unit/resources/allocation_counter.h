#pragma once

#include <cstddef>

namespace ombrex::test {

// Counts the heap allocations this thread makes while an object lives.
class AllocationCounter {
 public:
  AllocationCounter();
  ~AllocationCounter();
  AllocationCounter(const AllocationCounter&) = delete;
  AllocationCounter& operator=(const AllocationCounter&) = delete;
  std::size_t count() const;
};

}  // namespace ombrex::test
