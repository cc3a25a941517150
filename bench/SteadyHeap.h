#pragma once

#include <malloc.h>

namespace VnKxBench {

// Keeps freed memory in the process, as a long-running host's heap does, so that the figures
// measure work and not the page faults of fresh mappings (which cost more than the parse itself
// on these virtual machines).
inline void SteadyHeap() {
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, -1);
}

}  // namespace VnKxBench
