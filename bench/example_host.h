// The library-only benchmarks' host: the shared in-memory host
// (testing/memory_host.h) in its quiet mode, holding the example
// configuration.
#ifndef STRELL_BENCH_EXAMPLE_HOST_H_
#define STRELL_BENCH_EXAMPLE_HOST_H_

#include <string>

namespace strell_bench {

// Loads every element of every XML file of the configuration tree named by
// $STRELL_BENCH_CONF, else of the example configuration, into the in-memory
// host as the library would see it if the tree were "/etc/conf.d/", with the
// example camera's capability counts, and makes the host quiet. Returns the
// tree it loaded, or "" when it found no XML file there.
std::string LoadExampleIntoMemoryHost();

}  // namespace strell_bench

#endif  // STRELL_BENCH_EXAMPLE_HOST_H_
