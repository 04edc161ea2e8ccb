// SPDX-License-Identifier: GPL-3.0-or-later
// The operators' slow paths.
//
// Integer arithmetic wraps around in two's complement (computed on uint64_t),
// so overflow never stops a script: INT64_MAX + 1 is INT64_MIN, -INT64_MIN is
// INT64_MIN, INT64_MIN / -1 is INT64_MIN and INT64_MIN % -1 is 0. Float
// arithmetic stays in 32 bits.

#include <cstdint>
#include <limits>

#include "interp/Operators.h"

namespace quarn {

namespace {

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

QuarnValue applyBinaryOperatorSlowly(const QuarnValue& left, TokenKind op, const QuarnValue& right) {
  switch (op) {
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
    return applyInFloatMode(op, left.floatView(), right.floatView());
  }
  return applyInIntegerMode(op, left.integerView(), right.integerView());
}

QuarnValue applyUnaryOperator(TokenKind op, const QuarnValue& operand) {
  switch (op) {
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
