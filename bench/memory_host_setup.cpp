// The in-memory host's set-up for strell_opcount.
#include "bench/bench_host.h"
#include "bench/example_host.h"

namespace strell_bench {

std::string PrepareHost() { return "in-memory host, " + LoadExampleIntoMemoryHost(); }

}  // namespace strell_bench
