#include "app/memory_tuning.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace ombrex {

void ReturnLargeBlocksWhenFreed() {
#if defined(__GLIBC__)
  // Setting it fixes the threshold: it no longer grows with what was freed.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
  // The threads mostly wait; two arenas are enough for them to share.
  mallopt(M_ARENA_MAX, 2);
#endif
}

}  // namespace ombrex
