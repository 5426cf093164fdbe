#ifndef QEVA_FLUTTER_BENCH_COUNTINGALLOCATOR_H_
#define QEVA_FLUTTER_BENCH_COUNTINGALLOCATOR_H_

#include <cstdint>

// The binary that links CountingAllocator.cpp replaces the global operator new and delete
// with ones that count what is asked for: the bytes requested (not the allocator's rounding
// or its per-block header), the blocks, and every allocation made. Only code that allocates
// with new is seen, which is all of the plugin, the channel layer and the stand-in.
namespace QevaFlutter::bench {

struct HeapCount {
  int64_t live_bytes = 0;
  int64_t live_blocks = 0;
  // Allocations made since the process started, freed or not.
  int64_t allocations = 0;
  int64_t allocated_bytes = 0;

  HeapCount operator-(const HeapCount& earlier) const {
    return {live_bytes - earlier.live_bytes, live_blocks - earlier.live_blocks,
            allocations - earlier.allocations, allocated_bytes - earlier.allocated_bytes};
  }
};

HeapCount CountHeap();

}  // namespace QevaFlutter::bench

#endif  // QEVA_FLUTTER_BENCH_COUNTINGALLOCATOR_H_
