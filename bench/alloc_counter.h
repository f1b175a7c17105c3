// Counts heap allocations of the whole process, so a benchmark can report
// how many allocations one operation makes. The counting malloc is linked
// into every bench program; it forwards to the C library's allocator.
#ifndef STRELL_BENCH_ALLOC_COUNTER_H_
#define STRELL_BENCH_ALLOC_COUNTER_H_

namespace strell_bench {

// Calls of malloc, calloc and realloc (operator new goes through malloc)
// since the process started, from every thread.
unsigned long long AllocationCount();

}  // namespace strell_bench

#endif  // STRELL_BENCH_ALLOC_COUNTER_H_
