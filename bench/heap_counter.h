#ifndef TARNO_BENCH_HEAP_COUNTER_H_
#define TARNO_BENCH_HEAP_COUNTER_H_

// Counts what operator new hands out while counting is on: this program replaces the
// global operator new and delete (heap_counter.cpp), and the module is linked in
// statically, so every allocation of the module goes through them. Sizes are the
// allocator's usable sizes (malloc_usable_size), so rounding is included; glibc adds
// 8 bytes of its own bookkeeping to each block. Counting off costs one relaxed load
// per allocation. One thread at a time may count.

#include <cstdint>

namespace tarno::bench {

struct HeapCount {
  int64_t blocks = 0;     // live blocks allocated while counting, minus those freed
  int64_t bytes = 0;      // their usable bytes
  int64_t peakBytes = 0;  // the most `bytes` reached
};

void StartHeapCount();  // zeroes the count and starts counting
HeapCount StopHeapCount();

}  // namespace tarno::bench

#endif  // TARNO_BENCH_HEAP_COUNTER_H_
