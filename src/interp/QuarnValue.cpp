// SPDX-License-Identifier: GPL-3.0-or-later
#include "interp/QuarnValue.h"

#include <atomic>
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

struct QuarnValue::SharedText {
  std::atomic<std::size_t> references{1};
  const std::string text;
};

struct QuarnValue::SharedList {
  std::atomic<std::size_t> references{1};
  const QuarnArray elements;
};

QuarnValue QuarnValue::makeString(std::string v) {
  return QuarnValue(ValueKind::stringValue, Payload{.text = new SharedText{{1}, std::move(v)}});
}

QuarnValue QuarnValue::makeArray(QuarnArray elements) {
  return QuarnValue(ValueKind::arrayValue, Payload{.list = new SharedList{{1}, std::move(elements)}});
}

const std::string& QuarnValue::asString() const { return payload_.text->text; }

const QuarnArray& QuarnValue::asArray() const { return payload_.list->elements; }

// relaxed: a new reference comes from an existing one, which keeps the storage alive
void QuarnValue::retain() const noexcept {
  if (kind_ == ValueKind::stringValue) {
    payload_.text->references.fetch_add(1, std::memory_order_relaxed);
  } else {
    payload_.list->references.fetch_add(1, std::memory_order_relaxed);
  }
}

// acq_rel: every use of the storage by other owners happens before it is freed
void QuarnValue::release() noexcept {
  if (kind_ == ValueKind::stringValue) {
    if (payload_.text->references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete payload_.text;
  } else if (payload_.list->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    delete payload_.list;
  }
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
