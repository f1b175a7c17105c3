// Counts the heap allocations of a stretch of code. This program replaces
// the global allocation functions (in media_one_alloc_counter.cpp, a unit of
// their own so that no call site inlines them); the library's calls resolve
// to them as well.
#ifndef STRELL_TESTS_MEDIA1_MEDIA_ONE_ALLOC_COUNTER_H_
#define STRELL_TESTS_MEDIA1_MEDIA_ONE_ALLOC_COUNTER_H_

namespace alloc_counter {

void Start();
// The number of allocations since Start().
int Stop();

}  // namespace alloc_counter

#endif  // STRELL_TESTS_MEDIA1_MEDIA_ONE_ALLOC_COUNTER_H_
