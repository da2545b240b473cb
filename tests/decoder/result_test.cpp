// The result type of the front end, and its fallback where std::expected is missing.
#include "result.h"

#include <gtest/gtest.h>

#include <string>

namespace launcher {
namespace {

TEST(FallbackResult, HoldsValueOrError) {
  detail::FallbackResult<std::string> ok = std::string("value");
  ASSERT_TRUE(ok.has_value());
  EXPECT_TRUE(static_cast<bool>(ok));
  EXPECT_EQ(*ok, "value");
  EXPECT_EQ(ok->size(), 5u);
  ok.value() += "!";
  EXPECT_EQ(std::move(ok).value(), "value!");

  const detail::FallbackResult<std::string> bad =
      detail::Failure{Error{"broken at line 1 column 1"}};
  EXPECT_FALSE(bad.has_value());
  EXPECT_FALSE(static_cast<bool>(bad));
  EXPECT_EQ(bad.error().message, "broken at line 1 column 1");
}

TEST(FallbackResultDeathTest, AccessingTheAbsentSideAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const detail::FallbackResult<int> bad = detail::Failure{Error{"e"}};
  EXPECT_DEATH((void)bad.value(), "");
  const detail::FallbackResult<int> ok = 1;
  EXPECT_DEATH((void)ok.error(), "");
}

TEST(Result, FailBuildsTheErrorState) {
  const Result<int> r = fail(Error{"nope"});
  ASSERT_FALSE(r.has_value());
  EXPECT_EQ(r.error(), Error{"nope"});
  const Result<int> v = 3;
  EXPECT_EQ(*v, 3);
}

}  // namespace
}  // namespace launcher
