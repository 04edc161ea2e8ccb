// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Integer arithmetic and the comparisons, inline: an int with an int is the
// interpreter's most common operation.
//
// Integer arithmetic wraps around in two's complement (computed on uint64_t),
// so overflow never stops a script.

#include <cstdint>

#include "frontend/Token.h"
#include "interp/QuarnValue.h"

namespace quarn {

inline std::int64_t wrapAdd(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

inline std::int64_t wrapSubtract(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}

inline std::int64_t wrapMultiply(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b));
}

inline std::int64_t wrapNegate(std::int64_t a) {
  return static_cast<std::int64_t>(std::uint64_t{0} - static_cast<std::uint64_t>(a));
}

// A zero divisor counts as one, so x / 0 is x.
inline std::int64_t integerQuotient(std::int64_t a, std::int64_t b) {
  const std::int64_t divisor = b == 0 ? 1 : b;
  if (divisor == -1) {
    return wrapNegate(a);  // INT64_MIN / -1 would trap
  }
  return a / divisor;  // truncates toward zero
}

// The remainder takes the sign of the left operand; a zero divisor counts as one.
inline std::int64_t integerRemainder(std::int64_t a, std::int64_t b) {
  const std::int64_t divisor = b == 0 ? 1 : b;
  if (divisor == -1) {
    return 0;  // INT64_MIN % -1 would trap
  }
  return a % divisor;
}

// The six comparisons, the same in both modes; for floats IEEE rules apply:
// false with NaN, except != which is true.
template <class Number>
inline QuarnValue compareInMode(TokenKind kind, Number a, Number b) {
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

inline QuarnValue applyInIntegerMode(TokenKind kind, std::int64_t a, std::int64_t b) {
  switch (kind) {
    case TokenKind::plus: return QuarnValue::makeInt(wrapAdd(a, b));
    case TokenKind::minus: return QuarnValue::makeInt(wrapSubtract(a, b));
    case TokenKind::star: return QuarnValue::makeInt(wrapMultiply(a, b));
    case TokenKind::slash: return QuarnValue::makeInt(integerQuotient(a, b));
    default: return compareInMode(kind, a, b);
  }
}

// Whether an int with an int under `kind` is computed by applyInIntegerMode
// (% is not: its zero and sign rules are its own).
inline bool isIntegerFastOperator(TokenKind kind) {
  return kind >= TokenKind::plus && kind <= TokenKind::greaterEqual && kind != TokenKind::modulo;
}

}  // namespace quarn
