// A countdown that makes one chosen allocation fail, or every allocation from
// a chosen one on, the way pugixml's tests inject allocation failure. It
// replaces the global operator new and delete (every form) and, in builds
// without a sanitizer, malloc, calloc, realloc and free, so the library's
// malloc of its handle block fails too.
#ifndef STRELL_TESTS_RELIABILITY_FAILING_ALLOCATOR_H_
#define STRELL_TESTS_RELIABILITY_FAILING_ALLOCATOR_H_

namespace failing_allocator {

// From now on, count allocations; the one numbered `failAt` (from 0) fails,
// and with `persistent` every later one fails too.
void Arm(long failAt, bool persistent);
// Stops counting. Returns the number of allocations made or refused while
// armed.
long Disarm();
// Whether an allocation was refused since the last Arm.
bool Triggered();
// Allocations made and not yet released, of every form this unit replaces.
long Live();
// Whether malloc is replaced too (builds without a sanitizer).
bool CoversMalloc();

}  // namespace failing_allocator

#endif  // STRELL_TESTS_RELIABILITY_FAILING_ALLOCATOR_H_
