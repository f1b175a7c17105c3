// How a bench program sets up the host it was linked with.
#ifndef STRELL_BENCH_BENCH_HOST_H_
#define STRELL_BENCH_BENCH_HOST_H_

#include <string>

namespace strell_bench {

// Loads the configuration into the host and returns where it came from.
std::string PrepareHost();

}  // namespace strell_bench

#endif  // STRELL_BENCH_BENCH_HOST_H_
