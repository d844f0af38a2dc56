// Counting heap allocations of the whole process between two calls.
#ifndef KUROVIA_BENCH_ALLOC_COUNT_H
#define KUROVIA_BENCH_ALLOC_COUNT_H

namespace krv::bench {

// False where the allocator cannot be replaced (sanitizer builds).
bool AllocCountingAvailable();
void StartAllocCount();
// Allocations (malloc, calloc, realloc, operator new, ...) since the start.
unsigned long long StopAllocCount();

}  // namespace krv::bench

#endif  // KUROVIA_BENCH_ALLOC_COUNT_H
