#pragma once
// Exact comparison and a readable form of QuarnValue for the interpreter tests.
// Floats compare bit for bit, so -0.0 differs from 0.0; any NaN matches any NaN.

#include <bit>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "interp/QuarnValue.h"

namespace quarn {

inline std::string describe(const QuarnValue& value) {
  switch (value.kind()) {
    case ValueKind::intValue: return "int(" + std::to_string(value.asInt()) + ")";
    case ValueKind::floatValue: {
      std::ostringstream text;
      text.precision(9);
      text << "float(" << value.asFloat() << ")";
      return text.str();
    }
    case ValueKind::stringValue: return "string(\"" + value.asString() + "\")";
    case ValueKind::boolValue: return value.asBool() ? "bool(true)" : "bool(false)";
    case ValueKind::arrayValue: {
      std::string text = "array[";
      for (std::size_t i = 0; i < value.asArray().size(); ++i) {
        text += (i ? ", " : "") + describe(value.asArray()[i]);
      }
      return text + "]";
    }
    case ValueKind::none: return "none";
  }
  return "?";
}

inline bool sameValue(const QuarnValue& a, const QuarnValue& b) {
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case ValueKind::intValue: return a.asInt() == b.asInt();
    case ValueKind::floatValue:
      if (std::isnan(a.asFloat()) || std::isnan(b.asFloat())) {
        return std::isnan(a.asFloat()) && std::isnan(b.asFloat());
      }
      return std::bit_cast<std::uint32_t>(a.asFloat()) == std::bit_cast<std::uint32_t>(b.asFloat());
    case ValueKind::stringValue: return a.asString() == b.asString();
    case ValueKind::boolValue: return a.asBool() == b.asBool();
    case ValueKind::arrayValue: {
      const QuarnArray& x = a.asArray();
      const QuarnArray& y = b.asArray();
      if (x.size() != y.size()) return false;
      for (std::size_t i = 0; i < x.size(); ++i) {
        if (!sameValue(x[i], y[i])) return false;
      }
      return true;
    }
    case ValueKind::none: return true;
  }
  return false;
}

inline ::testing::AssertionResult valuesMatch(const QuarnValue& actual, const QuarnValue& expected) {
  if (sameValue(actual, expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << describe(actual) << ", expected " << describe(expected);
}

inline QuarnValue I(std::int64_t v) { return QuarnValue::makeInt(v); }
inline QuarnValue F(float v) { return QuarnValue::makeFloat(v); }
inline QuarnValue S(std::string v) { return QuarnValue::makeString(std::move(v)); }
inline QuarnValue B(bool v) { return QuarnValue::makeBool(v); }
inline QuarnValue A(QuarnArray v) { return QuarnValue::makeArray(std::move(v)); }
inline QuarnValue N() { return QuarnValue::none(); }

}  // namespace quarn
