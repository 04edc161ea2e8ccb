#include <cmath>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "ValueTestSupport.h"

namespace quarn {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kTwoPow63 = 9223372036854775808.0f;

TEST(ValueCases, KindsFollowTheDeclaredOrder) {
  EXPECT_EQ(I(1).storage.index(), 0u);
  EXPECT_EQ(F(1).storage.index(), 1u);
  EXPECT_EQ(S("a").storage.index(), 2u);
  EXPECT_EQ(B(true).storage.index(), 3u);
  EXPECT_EQ(A({}).storage.index(), 4u);
  EXPECT_EQ(N().storage.index(), 5u);
  EXPECT_EQ(QuarnValue{}.kind(), ValueKind::none);
}

TEST(ValueReadings, OnlyBoolTrueIsTrue) {
  const QuarnValue falseOnes[] = {I(0), I(1), F(1.0f), F(std::nanf("")), S("true"), A({}), A({B(true)}), N(), B(false)};
  for (const QuarnValue& value : falseOnes) {
    EXPECT_FALSE(value.truth()) << describe(value);
  }
  EXPECT_TRUE(B(true).truth());
}

TEST(ValueReadings, FloatView) {
  struct Case { QuarnValue value; float expected; };
  const Case cases[] = {
      {I(3), 3.0f},
      {I(-7), -7.0f},
      {I((std::int64_t{1} << 24) + 1), 16777216.0f},  // nearest float, ties to even
      {I((std::int64_t{1} << 24) + 3), 16777220.0f},
      {I(kMax), kTwoPow63},
      {I(kMin), -kTwoPow63},
      {F(-2.5f), -2.5f},
      {S("12"), 0.0f},
      {B(true), 0.0f},
      {A({I(5)}), 0.0f},
      {N(), 0.0f},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.value.floatView(), c.expected) << describe(c.value);
  }
  EXPECT_TRUE(std::isnan(F(std::nanf("")).floatView()));
  EXPECT_TRUE(std::signbit(F(-0.0f).floatView()));
}

TEST(ValueReadings, IntegerViewTruncatesAndSaturates) {
  struct Case { QuarnValue value; std::int64_t expected; };
  const Case cases[] = {
      {I(kMin), kMin},
      {I(42), 42},
      {F(2.9f), 2},
      {F(-2.9f), -2},
      {F(-0.5f), 0},
      {F(std::nanf("")), 0},
      {F(-std::nanf("")), 0},
      {F(kInf), kMax},
      {F(-kInf), kMin},
      {F(1e19f), kMax},
      {F(-1e19f), kMin},
      {F(kTwoPow63), kMax},    // first float outside the range
      {F(-kTwoPow63), kMin},   // exactly representable
      {F(std::nextafter(kTwoPow63, 0.0f)), 9223371487098961920},
      {F(std::nextafter(-kTwoPow63, 0.0f)), -9223371487098961920},
      {B(true), 0},
      {S("5"), 0},
      {A({I(5)}), 0},
      {N(), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.value.integerView(), c.expected) << describe(c.value);
  }
}

TEST(ValueArrays, MixedNestedArrayIsCopiedWhole) {
  const QuarnValue inner = A({S("x")});
  QuarnValue original = A({I(1), S("a"), inner});
  const QuarnValue copy = original;
  original = N();  // dropping the first leaves the copy intact
  ASSERT_EQ(copy.kind(), ValueKind::arrayValue);
  EXPECT_TRUE(valuesMatch(copy, A({I(1), S("a"), A({S("x")})})));
  EXPECT_FALSE(copy.truth());
  EXPECT_EQ(copy.integerView(), 0);
}

}  // namespace
}  // namespace quarn
