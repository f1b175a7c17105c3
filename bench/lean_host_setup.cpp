// The lean host's set-up for strell_opcount.
#include "bench/bench_host.h"
#include "bench/lean_host.h"

namespace strell_bench {

std::string PrepareHost() { return "lean host, " + lean_host::LoadBenchConfiguration(); }

}  // namespace strell_bench
