// The data the build embeds is the data it was configured with.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "aes_whitebox_tables.h"
#include "network_reference.h"
#include "read_file.h"
#include "table_set.h"

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

TEST(DeploymentData, EmbeddedTableFileComputesAesUnderTheConfiguredKey) {
  const auto bytes = tools_common::ReadFileBytes(LAUNCHER_TABLE_FILE);
  ASSERT_TRUE(bytes.has_value()) << LAUNCHER_TABLE_FILE;
  const auto tables = whitebox::DeserializeTableSet(*bytes);
  ASSERT_NE(tables, nullptr);
  const auto key = whitebox::ParseKeyHex(LAUNCHER_WHITEBOX_KEY);
  if (!LAUNCHER_TABLE_FILE_GENERATED || !key) {
    GTEST_SKIP() << "the build embeds a deployment's own table set, whose key is not known here";
  }
  std::mt19937_64 rng(3);
  for (int i = 0; i < 8; ++i) {
    testing_support::Block block;
    for (auto& b : block) b = static_cast<uint8_t>(rng());
    EXPECT_EQ(testing_support::EvaluateNetwork(*tables, block),
              whitebox::EncryptBlock(*key, block));
  }
}

}  // namespace
