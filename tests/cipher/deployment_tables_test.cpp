// The table set the build embeds computes AES-256 under the key it was generated from, by an
// independent AES (OpenSSL's): where the build generated the set and so knows its key.
#include <gtest/gtest.h>

#include <random>

#include "network_reference.h"
#include "openssl_primitives.h"
#include "read_file.h"
#include "table_set.h"

namespace {

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
