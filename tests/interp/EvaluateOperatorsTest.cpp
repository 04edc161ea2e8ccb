#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

#include <gtest/gtest.h>

#include "ValueTestSupport.h"
#include "interp/Evaluator.h"

namespace quarn {
namespace {

using K = TokenKind;
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
const float kNaN = std::nanf("");
constexpr float kInf = std::numeric_limits<float>::infinity();

struct BinaryCase {
  QuarnValue left;
  TokenKind op;
  QuarnValue right;
  QuarnValue expected;
};

// The operators never touch the engine or the environment.
class EvaluatorOperators : public ::testing::Test {
protected:
  void expectAll(std::initializer_list<BinaryCase> cases) const {
    for (const BinaryCase& c : cases) {
      const QuarnValue result = evaluator.applyBinaryOperator(c.left, Token::make(c.op), c.right);
      EXPECT_TRUE(valuesMatch(result, c.expected))
          << describe(c.left) << " " << tokenKindName(c.op) << " " << describe(c.right);
    }
  }

  Evaluator evaluator{nullptr, std::make_shared<Environment>()};
};

TEST_F(EvaluatorOperators, Arithmetic) {
  expectAll({
      {I(1), K::plus, I(2), I(3)},
      {I(1), K::plus, F(2.5f), F(3.5f)},
      {F(0.1f), K::plus, F(0.2f), F(0.1f + 0.2f)},
      {F(16777216.0f), K::plus, I(1), F(16777216.0f)},  // 32-bit, not double
      {I(5), K::minus, I(7), I(-2)},
      {F(1.5f), K::minus, I(2), F(-0.5f)},
      {I(6), K::star, I(-7), I(-42)},
      {F(1.5f), K::star, F(2.0f), F(3.0f)},
      // non-numbers count as 0, in integer mode unless a float takes part
      {S("a"), K::plus, S("b"), I(0)},
      {S("a"), K::plus, I(1), I(1)},
      {B(true), K::plus, I(1), I(1)},
      {N(), K::plus, A({I(4)}), I(0)},
      {S("a"), K::plus, F(1.5f), F(1.5f)},
      // integers wrap around
      {I(kMax), K::plus, I(1), I(kMin)},
      {I(kMin), K::minus, I(1), I(kMax)},
      {I(kMax), K::star, I(2), I(-2)},
      {I(kMin), K::star, I(-1), I(kMin)},
      {F(kInf), K::minus, F(kInf), F(kNaN)},
  });
}

TEST_F(EvaluatorOperators, DivisionAndModulo) {
  expectAll({
      {I(7), K::slash, I(2), I(3)},
      {I(-7), K::slash, I(2), I(-3)},
      {F(7.0f), K::slash, I(2), F(3.5f)},
      {I(1), K::slash, F(3.0f), F(1.0f / 3.0f)},
      {I(5), K::slash, I(0), I(5)},
      {F(5.0f), K::slash, I(0), F(5.0f)},
      {F(5.0f), K::slash, F(-0.0f), F(5.0f)},
      {I(5), K::slash, S("x"), I(5)},
      {I(kMin), K::slash, I(-1), I(kMin)},
      {I(kMax), K::slash, I(-1), I(-kMax)},
      {F(1.0f), K::slash, F(kInf), F(0.0f)},
      {I(7), K::modulo, I(-3), I(1)},
      {I(-7), K::modulo, I(3), I(-1)},
      {F(7.9f), K::modulo, I(2), I(1)},
      {F(7.5f), K::modulo, F(2.0f), I(1)},
      {F(-7.5f), K::modulo, F(2.0f), I(-1)},
      {I(5), K::modulo, I(0), I(0)},
      {I(5), K::modulo, F(0.5f), I(0)},  // 0.5 truncates to 0, which counts as 1
      {I(kMin), K::modulo, I(-1), I(0)},
      {I(kMin), K::modulo, I(kMax), I(-1)},
      {F(kNaN), K::modulo, I(3), I(0)},
      {F(kInf), K::modulo, I(10), I(kMax % 10)},
  });
}

TEST_F(EvaluatorOperators, Comparisons) {
  expectAll({
      {I(1), K::equalEqual, F(1.0f), B(true)},
      {I(2), K::greaterThan, F(1.5f), B(true)},
      {S("a"), K::equalEqual, S("b"), B(true)},  // both 0
      {B(true), K::equalEqual, B(false), B(true)},
      {B(true), K::lessThan, I(1), B(true)},
      {A({}), K::notEqual, N(), B(false)},
      {I(kMax), K::greaterThan, I(kMax - 1), B(true)},       // integer mode keeps all 64 bits
      {I(kMax), K::greaterThan, F(9223372036854775807.0f), B(false)},  // float mode rounds
      {I(3), K::lessEqual, I(3), B(true)},
      {I(3), K::lessThan, I(3), B(false)},
      {I(3), K::greaterEqual, I(4), B(false)},
      {I(3), K::notEqual, I(4), B(true)},
      {F(-0.0f), K::equalEqual, F(0.0f), B(true)},
      {F(kNaN), K::equalEqual, F(kNaN), B(false)},
      {F(kNaN), K::notEqual, F(kNaN), B(true)},
      {F(kNaN), K::lessThan, I(1), B(false)},
      {F(kNaN), K::greaterThan, I(1), B(false)},
      {F(kNaN), K::lessEqual, I(1), B(false)},
      {I(1), K::greaterEqual, F(kNaN), B(false)},
      {I(1), K::notEqual, F(kNaN), B(true)},
  });
}

TEST_F(EvaluatorOperators, LogicalAndUnknownTokens) {
  expectAll({
      {B(true), K::logicalAnd, B(true), B(true)},
      {B(true), K::logicalAnd, B(false), B(false)},
      {B(true), K::logicalAnd, I(1), B(false)},
      {F(1.0f), K::logicalAnd, B(true), B(false)},
      {I(1), K::logicalOr, B(true), B(true)},
      {B(false), K::logicalOr, B(false), B(false)},
      {S("true"), K::logicalOr, N(), B(false)},
      {I(1), K::assign, I(2), N()},
      {I(1), K::logicalNot, I(2), N()},
      {F(1.0f), K::comma, F(2.0f), N()},
      {I(1), K::identifier, I(2), N()},
  });
}

TEST_F(EvaluatorOperators, Unary) {
  struct Case { TokenKind op; QuarnValue operand; QuarnValue expected; };
  const Case cases[] = {
      {K::minus, F(2.5f), F(-2.5f)},
      {K::minus, F(0.0f), F(-0.0f)},
      {K::minus, F(-0.0f), F(0.0f)},
      {K::minus, F(kNaN), F(-kNaN)},
      {K::minus, I(3), I(-3)},
      {K::minus, I(kMin), I(kMin)},  // wraps
      {K::minus, S("5"), I(0)},
      {K::minus, B(true), I(0)},
      {K::minus, A({I(1)}), I(0)},
      {K::minus, N(), I(0)},
      {K::logicalNot, B(true), B(false)},
      {K::logicalNot, B(false), B(true)},
      {K::logicalNot, I(0), B(true)},
      {K::logicalNot, I(1), B(true)},
      {K::logicalNot, N(), B(true)},
      {K::plus, S("kept"), S("kept")},
      {K::star, A({I(1), N()}), A({I(1), N()})},
      {K::eof, F(-0.0f), F(-0.0f)},
  };
  for (const Case& c : cases) {
    const QuarnValue result = evaluator.applyUnaryOperator(Token::make(c.op), c.operand);
    EXPECT_TRUE(valuesMatch(result, c.expected)) << tokenKindName(c.op) << " " << describe(c.operand);
  }
}

}  // namespace
}  // namespace quarn
