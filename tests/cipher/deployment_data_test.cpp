// The data the build embeds is the data it was configured with.
#include <gtest/gtest.h>

#include <vector>

#include "aes_whitebox_tables.h"
#include "read_file.h"

namespace {

TEST(DeploymentData, DistributionKeyIsTheConfiguredFile) {
  const auto expected = tools_common::ReadFileBytes(LAUNCHER_DISTRIBUTION_KEY_FILE);
  ASSERT_TRUE(expected.has_value()) << LAUNCHER_DISTRIBUTION_KEY_FILE;
  ASSERT_EQ(expected->size(), 48u);
  std::vector<uint8_t> out(48, 0);
  distributionkey(out.data());
  EXPECT_EQ(out, *expected);
  distributionkey(out.data());
  EXPECT_EQ(out, *expected);
}

}  // namespace
