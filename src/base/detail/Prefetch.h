#pragma once

// A request that the cache line holding `address` be fetched, for data needed soon; it reads
// nothing itself.

namespace VnBase {

inline void Prefetch(const void* address) {
#if defined(__x86_64__)
  // An asm statement rather than __builtin_prefetch: GCC takes the builtin for a call without
  // effect and deletes loops made only of such calls (and the calls that only make such loops).
  __asm__ volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#else
  __builtin_prefetch(address);
#endif
}

}  // namespace VnBase
