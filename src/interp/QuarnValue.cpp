#include "interp/QuarnValue.h"

#include <cmath>
#include <limits>

namespace quarn {

namespace {

// 2^63 as a float: the first value above the signed 64-bit range. -2^63 is
// exactly INT64_MIN, so everything in [-2^63, 2^63) converts without overflow.
constexpr float kTwoPow63 = 9223372036854775808.0f;

std::int64_t truncateFloat(float f) {
  if (std::isnan(f)) {
    return 0;
  }
  if (f >= kTwoPow63) {
    return std::numeric_limits<std::int64_t>::max();
  }
  if (f < -kTwoPow63) {
    return std::numeric_limits<std::int64_t>::min();
  }
  return static_cast<std::int64_t>(f);  // truncates toward zero
}

}  // namespace

QuarnValue QuarnValue::makeArray(QuarnArray elements) {
  return QuarnValue{Storage{std::in_place_index<4>, std::make_shared<const QuarnArray>(std::move(elements))}};
}

bool QuarnValue::truth() const {
  return kind() == ValueKind::boolValue && asBool();
}

float QuarnValue::floatView() const {
  switch (kind()) {
    case ValueKind::intValue:
      return static_cast<float>(asInt());  // round to nearest
    case ValueKind::floatValue:
      return asFloat();
    default:
      return 0.0f;
  }
}

std::int64_t QuarnValue::integerView() const {
  switch (kind()) {
    case ValueKind::intValue:
      return asInt();
    case ValueKind::floatValue:
      return truncateFloat(asFloat());
    default:
      return 0;
  }
}

}  // namespace quarn
