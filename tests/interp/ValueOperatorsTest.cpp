// Value readings and the operator tables, bit for bit.
#include <cstdint>
#include <limits>
#include <tuple>

#include "InterpTestSupport.h"
#include "interp/Operators.h"

namespace quarn {
namespace {

using K = TokenKind;
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max(), kMin = std::numeric_limits<std::int64_t>::min();
constexpr float kInf = std::numeric_limits<float>::infinity(), kTwoPow63 = 9223372036854775808.0f;
const float kNaN = std::nanf("");

// value, float view (nearest, ties to even), integer view (truncated, NaN 0, saturating); only bool true is true
TEST(ValueReadings, TruthFloatViewAndIntegerView) {
  const float almost = std::nextafter(kTwoPow63, 0.0f);
  const std::tuple<QuarnValue, float, std::int64_t> cases[] = {
      {I(-7), -7.0f, -7},          {I(kMax), kTwoPow63, kMax},     {I(kMin), -kTwoPow63, kMin},
      {I((1 << 24) + 1), 16777216.0f, (1 << 24) + 1},              {I((1 << 24) + 3), 16777220.0f, (1 << 24) + 3},
      {F(2.9f), 2.9f, 2},          {F(-2.9f), -2.9f, -2},          {F(-0.5f), -0.5f, 0},
      {F(-0.0f), -0.0f, 0},        {F(kNaN), kNaN, 0},             {F(-kNaN), kNaN, 0},
      {F(kInf), kInf, kMax},       {F(-kInf), -kInf, kMin},        {F(1e19f), 1e19f, kMax},
      {F(kTwoPow63), kTwoPow63, kMax}, {F(-kTwoPow63), -kTwoPow63, kMin}, {F(almost), almost, 9223371487098961920},
      {S("12"), 0.0f, 0},          {B(true), 0.0f, 0},             {B(false), 0.0f, 0},
      {A({B(true)}), 0.0f, 0},     {N(), 0.0f, 0},                 {S("true"), 0.0f, 0},
  };
  for (const auto& [value, floatView, integerView] : cases) {
    EXPECT_EQ(describe(F(value.floatView())), describe(F(floatView))) << describe(value);
    EXPECT_EQ(value.integerView(), integerView) << describe(value);
    EXPECT_EQ(value.truth(), describe(value) == "true") << describe(value);
  }
}

// left, operator, right, result; then operator, operand, result.
TEST(EvaluatorOperators, BinaryAndUnary) {
  const std::tuple<QuarnValue, TokenKind, QuarnValue, QuarnValue> cases[] = {
      {I(1), K::plus, F(2.5f), F(3.5f)},       {F(0.1f), K::plus, F(0.2f), F(0.1f + 0.2f)},
      {F(16777216.0f), K::plus, I(1), F(16777216.0f)},  // 32-bit float, not double
      // non-numbers count as 0, in integer mode unless a float takes part
      {S("a"), K::plus, S("b"), I(0)},         {B(true), K::plus, I(1), I(1)},
      {N(), K::plus, A({I(4)}), I(0)},         {S("a"), K::plus, F(1.5f), F(1.5f)},
      {I(kMax), K::plus, I(1), I(kMin)},       {I(kMin), K::minus, I(1), I(kMax)},
      {I(kMax), K::star, I(2), I(-2)},         {I(kMin), K::star, I(-1), I(kMin)},
      {F(kInf), K::minus, F(kInf), F(kNaN)},
      // a zero divisor counts as 1; modulo works on truncated integers
      {I(-7), K::slash, I(2), I(-3)},          {F(7.0f), K::slash, I(2), F(3.5f)},
      {I(5), K::slash, I(0), I(5)},            {F(5.0f), K::slash, F(-0.0f), F(5.0f)},
      {I(5), K::slash, S("x"), I(5)},          {I(kMin), K::slash, I(-1), I(kMin)},
      {F(1.0f), K::slash, F(kInf), F(0.0f)},   {I(7), K::modulo, I(-3), I(1)},
      {I(-7), K::modulo, I(3), I(-1)},         {F(-7.5f), K::modulo, F(2.0f), I(-1)},
      {I(5), K::modulo, I(0), I(0)},           {I(5), K::modulo, F(0.5f), I(0)},
      {I(kMin), K::modulo, I(-1), I(0)},       {I(kMin), K::modulo, I(kMax), I(-1)},
      {F(kNaN), K::modulo, I(3), I(0)},        {F(kInf), K::modulo, I(10), I(kMax % 10)},
      {I(1), K::equalEqual, F(1.0f), B(true)}, {S("a"), K::equalEqual, S("b"), B(true)},  // both 0
      {B(true), K::lessThan, I(1), B(true)},   {A({}), K::notEqual, N(), B(false)},
      {I(3), K::lessEqual, I(3), B(true)},     {I(3), K::greaterEqual, I(4), B(false)},
      {I(kMax), K::greaterThan, I(kMax - 1), B(true)},                 // integer mode keeps 64 bits
      {I(kMax), K::greaterThan, F(9223372036854775807.0f), B(false)},  // float mode rounds
      {F(-0.0f), K::equalEqual, F(0.0f), B(true)},  {F(kNaN), K::equalEqual, F(kNaN), B(false)},
      {F(kNaN), K::notEqual, F(kNaN), B(true)},     {F(kNaN), K::lessThan, I(1), B(false)},
      {F(kNaN), K::lessEqual, I(1), B(false)},      {I(1), K::greaterEqual, F(kNaN), B(false)},
      {B(true), K::logicalAnd, B(true), B(true)}, {B(true), K::logicalAnd, I(1), B(false)},
      {I(1), K::logicalOr, B(true), B(true)},     {S("true"), K::logicalOr, N(), B(false)},
      {I(1), K::assign, I(2), N()},               {F(1.0f), K::comma, F(2.0f), N()},
  };
  for (const auto& [left, op, right, expected] : cases) {
    EXPECT_EQ(describe(applyBinaryOperator(left, op, right)), describe(expected))
        << describe(left) << " " << tokenKindName(op) << " " << describe(right);
  }
  const std::tuple<TokenKind, QuarnValue, QuarnValue> unaryCases[] = {
      {K::minus, F(0.0f), F(-0.0f)},  {K::minus, F(-0.0f), F(0.0f)},    {K::minus, F(kNaN), F(kNaN)},
      {K::minus, I(kMin), I(kMin)},   {K::minus, S("5"), I(0)},         {K::minus, N(), I(0)},
      {K::logicalNot, B(true), B(false)}, {K::logicalNot, I(1), B(true)}, {K::logicalNot, N(), B(true)},
      {K::plus, S("kept"), S("kept")},    {K::eof, F(-0.0f), F(-0.0f)},
  };
  for (const auto& [op, operand, expected] : unaryCases) {
    EXPECT_EQ(describe(applyUnaryOperator(op, operand)), describe(expected))
        << tokenKindName(op) << " " << describe(operand);
  }
}

}  // namespace
}  // namespace quarn
