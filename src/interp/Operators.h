// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The binary and unary operators of the language: pure functions of their
// operands, callable from any thread. An int with an int is inline, as the
// interpreter's most common operation.

#include "frontend/Token.h"
#include "interp/IntegerOperators.h"
#include "interp/QuarnValue.h"

namespace quarn {

// Every case but an int with an int under the fast operators.
QuarnValue applyBinaryOperatorSlowly(const QuarnValue& left, TokenKind op, const QuarnValue& right);

inline QuarnValue applyBinaryOperator(const QuarnValue& left, TokenKind op, const QuarnValue& right) {
  if (left.kind() == ValueKind::intValue && right.kind() == ValueKind::intValue && isIntegerFastOperator(op)) {
    return applyInIntegerMode(op, left.asInt(), right.asInt());
  }
  return applyBinaryOperatorSlowly(left, op, right);
}

QuarnValue applyUnaryOperator(TokenKind op, const QuarnValue& operand);

}  // namespace quarn
