// The binary and unary operators of the language. Pure functions of their
// operands; callable from any thread.
//
// Integer arithmetic wraps around in two's complement (computed on uint64_t),
// so overflow never stops a script: INT64_MAX + 1 is INT64_MIN, -INT64_MIN is
// INT64_MIN, INT64_MIN / -1 is INT64_MIN and INT64_MIN % -1 is 0. Float
// arithmetic stays in 32 bits.

#include <cstdint>
#include <limits>

#include "interp/Evaluator.h"

namespace quarn {

namespace {

constexpr std::int64_t kMinInt = std::numeric_limits<std::int64_t>::min();

std::int64_t wrapAdd(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

std::int64_t wrapSubtract(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}

std::int64_t wrapMultiply(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b));
}

std::int64_t wrapNegate(std::int64_t a) {
  return static_cast<std::int64_t>(std::uint64_t{0} - static_cast<std::uint64_t>(a));
}

// A zero divisor counts as one, so x / 0 is x.
std::int64_t integerQuotient(std::int64_t a, std::int64_t b) {
  const std::int64_t divisor = b == 0 ? 1 : b;
  if (divisor == -1) {
    return wrapNegate(a);  // INT64_MIN / -1 would trap
  }
  return a / divisor;  // truncates toward zero
}

// The remainder takes the sign of the left operand; a zero divisor counts as one.
std::int64_t integerRemainder(std::int64_t a, std::int64_t b) {
  const std::int64_t divisor = b == 0 ? 1 : b;
  if (divisor == -1) {
    return 0;  // INT64_MIN % -1 would trap
  }
  return a % divisor;
}

// The six comparisons, the same in both modes; for floats IEEE rules apply:
// false with NaN, except != which is true.
template <class Number>
QuarnValue compareInMode(TokenKind kind, Number a, Number b) {
  switch (kind) {
    case TokenKind::equalEqual: return QuarnValue::makeBool(a == b);
    case TokenKind::notEqual: return QuarnValue::makeBool(a != b);
    case TokenKind::lessThan: return QuarnValue::makeBool(a < b);
    case TokenKind::greaterThan: return QuarnValue::makeBool(a > b);
    case TokenKind::lessEqual: return QuarnValue::makeBool(a <= b);
    case TokenKind::greaterEqual: return QuarnValue::makeBool(a >= b);
    default: return QuarnValue::none();
  }
}

QuarnValue applyInIntegerMode(TokenKind kind, std::int64_t a, std::int64_t b) {
  switch (kind) {
    case TokenKind::plus: return QuarnValue::makeInt(wrapAdd(a, b));
    case TokenKind::minus: return QuarnValue::makeInt(wrapSubtract(a, b));
    case TokenKind::star: return QuarnValue::makeInt(wrapMultiply(a, b));
    case TokenKind::slash: return QuarnValue::makeInt(integerQuotient(a, b));
    default: return compareInMode(kind, a, b);
  }
}

// Each result is stored to a float before use, so nothing is computed in wider precision.
QuarnValue applyInFloatMode(TokenKind kind, float a, float b) {
  switch (kind) {
    case TokenKind::plus: { const float r = a + b; return QuarnValue::makeFloat(r); }
    case TokenKind::minus: { const float r = a - b; return QuarnValue::makeFloat(r); }
    case TokenKind::star: { const float r = a * b; return QuarnValue::makeFloat(r); }
    case TokenKind::slash: {
      const float divisor = b == 0.0f ? 1.0f : b;  // also true for -0.0
      const float r = a / divisor;
      return QuarnValue::makeFloat(r);
    }
    default: return compareInMode(kind, a, b);
  }
}

}  // namespace

QuarnValue Evaluator::applyBinaryOperator(const QuarnValue& left, const Token& op,
                                          const QuarnValue& right) const {
  const bool integers = left.kind() == ValueKind::intValue && right.kind() == ValueKind::intValue;
  if (integers && op.kind >= TokenKind::plus && op.kind <= TokenKind::greaterEqual && op.kind != TokenKind::modulo) {
    return applyInIntegerMode(op.kind, left.asInt(), right.asInt());  // the common case first
  }
  switch (op.kind) {
    case TokenKind::logicalAnd:
      return QuarnValue::makeBool(left.truth() && right.truth());
    case TokenKind::logicalOr:
      return QuarnValue::makeBool(left.truth() || right.truth());
    case TokenKind::modulo:  // never float mode: floats are truncated first
      return QuarnValue::makeInt(integerRemainder(left.integerView(), right.integerView()));
    default:
      break;
  }
  const bool floatMode = left.kind() == ValueKind::floatValue || right.kind() == ValueKind::floatValue;
  if (floatMode) {
    return applyInFloatMode(op.kind, left.floatView(), right.floatView());
  }
  return applyInIntegerMode(op.kind, left.integerView(), right.integerView());
}

QuarnValue Evaluator::applyUnaryOperator(const Token& op, const QuarnValue& operand) const {
  switch (op.kind) {
    case TokenKind::minus:
      if (operand.kind() == ValueKind::floatValue) {
        return QuarnValue::makeFloat(-operand.asFloat());  // -0.0 from 0.0
      }
      if (operand.kind() == ValueKind::intValue) {
        return QuarnValue::makeInt(wrapNegate(operand.asInt()));
      }
      return QuarnValue::makeInt(0);
    case TokenKind::logicalNot:
      return QuarnValue::makeBool(operand.kind() == ValueKind::boolValue ? !operand.asBool() : true);
    default:
      return operand;
  }
}

}  // namespace quarn
