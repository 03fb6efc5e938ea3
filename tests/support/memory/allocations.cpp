#include "tests/support/memory/allocations.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

thread_local bool counting = false;
thread_local std::size_t allocations = 0;
thread_local std::size_t largestSize = 0;
// Allocations still allowed on this thread; the largest value means no limit.
thread_local std::size_t allowance = std::numeric_limits<std::size_t>::max();
thread_local bool refused = false;

void* Allocate(std::size_t size) {
  if (counting) {
    ++allocations;
    largestSize = std::max(largestSize, size);
  }
  if (allowance == 0) {
    refused = true;
    throw std::bad_alloc();
  }
  if (allowance != std::numeric_limits<std::size_t>::max()) --allowance;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace ombrex::test {

AllocationCounter::AllocationCounter() {
  allocations = 0;
  largestSize = 0;
  counting = true;
}
AllocationCounter::~AllocationCounter() {
  counting = false;
}
std::size_t AllocationCounter::count() const {
  return allocations;
}
std::size_t AllocationCounter::largest() const {
  return largestSize;
}

FailingAllocations::FailingAllocations(std::size_t allowed) {
  refused = false;
  allowance = allowed;
}
FailingAllocations::~FailingAllocations() {
  allowance = std::numeric_limits<std::size_t>::max();
}
bool FailingAllocations::Refused() const {
  return refused;
}

}  // namespace ombrex::test
