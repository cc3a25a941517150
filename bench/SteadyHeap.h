#pragma once

#include <benchmark/benchmark.h>
#include <malloc.h>

namespace VnKxBench {

// Keeps freed memory in the process, as a long-running host's heap does, so that the figures
// measure work and not the page faults of fresh mappings (which cost more than the parse itself
// on these virtual machines).
inline void SteadyHeap() {
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, -1);
}

// The benchmark programs' main: a steady heap, then the registered benchmarks.
inline int RunBenchmarks(int argc, char** argv) {
  SteadyHeap();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace VnKxBench
