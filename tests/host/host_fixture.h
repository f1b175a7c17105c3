// The fixture of the host kit's own tests: a fresh configuration root per
// test, in the freshness mode the test asks for.
#ifndef STRELL_TESTS_HOST_HOST_FIXTURE_H_
#define STRELL_TESTS_HOST_HOST_FIXTURE_H_

#include <ostream>
#include <string>

#include "host/host_test_support.h"
#include "strell_host.h"

namespace strell_host {
// Names the mode in test output instead of its bytes.
inline void PrintTo(Freshness freshness, std::ostream* out) {
  *out << (freshness == Freshness::kStrict ? "strict" : "watch");
}
}  // namespace strell_host

namespace host_test {

class HostTest : public testing::Test {
 protected:
  void SetUp() override { Use(strell_host::Freshness::kStrict); }
  void TearDown() override { strell_host::SetFreshness(strell_host::Freshness::kStrict); }

  void Use(strell_host::Freshness freshness) {
    strell_host::SetFreshness(freshness);
    strell_host::SetRoot(root_.path());
    strell_host::ResetCounters();
  }
  // Writes `content` to `name` under the root, in place.
  void Put(const std::string& name, const std::string& content) {
    WriteInPlace(root_ / name, content);
  }
  std::string Path(const std::string& name) const { return root_ / name; }

  TempDir root_;
};

// Runs a test once per freshness mode. Changed() is what a host does after
// the files changed: nothing in strict mode, Settle() in watch mode.
class HostModesTest : public HostTest, public testing::WithParamInterface<strell_host::Freshness> {
 protected:
  void SetUp() override { Use(GetParam()); }
  static void Changed() { strell_host::Settle(); }
};

inline std::string ModeName(const testing::TestParamInfo<strell_host::Freshness>& info) {
  return info.param == strell_host::Freshness::kStrict ? "Strict" : "Watch";
}

}  // namespace host_test

#endif  // STRELL_TESTS_HOST_HOST_FIXTURE_H_
