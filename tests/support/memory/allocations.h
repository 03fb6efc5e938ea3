#pragma once

// Heap allocations under a test's control, in the binaries that link
// ombrex_test_allocations (it replaces operator new and delete). Both act on
// the calling thread only and for as long as the object lives.
//
//   { AllocationCounter counter; KeyName(...); EXPECT_EQ(counter.count(), 0u); }
//
//   for (std::size_t allowed = 0;; ++allowed) {  // memory runs out at every step in turn
//     FailingAllocations failing(allowed);
//     const auto result = Operation();
//     if (!failing.Refused()) break;
//     ...
//   }

#include <cstddef>

namespace ombrex::test {

// Counts the allocations and keeps the size of the largest.
class AllocationCounter {
 public:
  AllocationCounter();
  ~AllocationCounter();
  AllocationCounter(const AllocationCounter&) = delete;
  AllocationCounter& operator=(const AllocationCounter&) = delete;
  std::size_t count() const;
  std::size_t largest() const;  // in bytes
};

// Lets `allowed` allocations succeed and makes every later one throw
// std::bad_alloc.
class FailingAllocations {
 public:
  explicit FailingAllocations(std::size_t allowed);
  ~FailingAllocations();
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;
  // Whether an allocation was refused.
  bool Refused() const;
};

}  // namespace ombrex::test
