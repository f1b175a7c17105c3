// The reference host's set-up for strell_opcount_host: a copy of the example
// configuration, in the freshness mode $STRELL_HOST_FRESHNESS names.
#include "bench/bench_host.h"
#include "bench/reference_host.h"
#include "strell_host.h"

namespace strell_bench {

std::string PrepareHost() {
  const std::string root = reference_host::PrepareRoot();
  const bool watch = strell_host::GetFreshness() == strell_host::Freshness::kWatch;
  strell_host::SetFreshness(watch ? strell_host::Freshness::kWatch
                                  : strell_host::Freshness::kStrict);
  return std::string("reference host (") + (watch ? "watch" : "strict") + "), " + root;
}

}  // namespace strell_bench
