// The kit's defaults from its environment, each test in a process of its own (CMakeLists.txt).
#include <gtest/gtest.h>

#include "strell_host.h"

namespace {

TEST(HostEnvironment, RootAndFreshnessComeFromTheVariables) {
  // STRELL_CONF_ROOT=/tmp/strell-env-root/ STRELL_HOST_FRESHNESS=watch
  EXPECT_EQ("/tmp/strell-env-root", strell_host::Root());
  EXPECT_EQ(strell_host::Freshness::kWatch, strell_host::GetFreshness());
  EXPECT_EQ("/tmp/strell-env-root/config_a.xml", strell_host::MapPath("/etc/conf.d/config_a.xml"));
}

TEST(HostEnvironment, EmptyOrUnknownValuesGiveTheDefaults) {
  // STRELL_CONF_ROOT= STRELL_HOST_FRESHNESS=Watch
  EXPECT_EQ("/etc/conf.d", strell_host::Root());
  EXPECT_EQ(strell_host::Freshness::kStrict, strell_host::GetFreshness());
}

}  // namespace
