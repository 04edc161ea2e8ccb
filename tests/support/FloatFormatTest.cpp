// The float text form: shortest decimal that reads back, plain between 1e-4
// and 1e16 with ".0" on integral values, any exact form outside.
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "support/FloatFormat.h"

namespace quarn {
namespace {

TEST(FloatFormat, ShortestDecimalThatReadsBack) {
  const char* const anyExactForm = nullptr;
  const std::pair<float, const char*> cases[] = {
      {110.0f, "110.0"},          {0.1f, "0.1"},           {-2.5f, "-2.5"},
      {0.0f, "0.0"},              {99999.0f, "99999.0"},   {100000.0f, "100000.0"},
      {1e6f, "1000000.0"},        {16777216.0f, "16777216.0"},
      {123456789.0f, "123456790.0"},  // the nearest float is 123456792
      {1e15f, "1000000000000000.0"},
      {0.001f, "0.001"},          {0.0001f, "0.0001"},     {0.00001f, anyExactForm},
      {1e-30f, anyExactForm},     {3e16f, anyExactForm},   {-7.006e-5f, anyExactForm},
      {std::numeric_limits<float>::denorm_min(), anyExactForm},
      {std::numeric_limits<float>::max(), anyExactForm},
  };
  for (const auto& [value, expected] : cases) {
    std::string text = formatFloat(value);
    if (expected) {
      EXPECT_EQ(text, expected);
    }
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), value) << text;
  }
}

}  // namespace
}  // namespace quarn
