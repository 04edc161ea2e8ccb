// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The runtime value of a Quarn expression: int, float, string, bool, array or
// none. A plain value: copies of an array share storage, which is never changed
// after it is made, so values may cross threads freely.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quarn {

class QuarnValue;
using QuarnArray = std::vector<QuarnValue>;

// The six cases in order; the enumerators carry a suffix because the plain names
// are C++ keywords.
enum class ValueKind : std::uint8_t { intValue, floatValue, stringValue, boolValue, arrayValue, none };

// Sixteen bytes: the kind and either the number or bool itself, or a pointer to
// shared, reference-counted storage that is never changed after it is made
// (strings and arrays), so copying a number costs no more than copying two
// words and copying a string or array no more than one atomic increment.
class QuarnValue {
public:
  QuarnValue() noexcept = default;
  QuarnValue(const QuarnValue& other) noexcept : payload_(other.payload_), kind_(other.kind_) {
    if (isShared()) retain();
  }
  QuarnValue(QuarnValue&& other) noexcept : payload_(other.payload_), kind_(other.kind_) {
    other.kind_ = ValueKind::none;
  }
  QuarnValue& operator=(const QuarnValue& other) noexcept {
    QuarnValue copy(other);
    swap(copy);
    return *this;
  }
  QuarnValue& operator=(QuarnValue&& other) noexcept {
    QuarnValue taken(std::move(other));
    swap(taken);
    return *this;
  }
  ~QuarnValue() {
    if (isShared()) release();
  }
  void swap(QuarnValue& other) noexcept {
    std::swap(payload_, other.payload_);
    std::swap(kind_, other.kind_);
  }

  static QuarnValue makeInt(std::int64_t v) { return QuarnValue(ValueKind::intValue, Payload{.integer = v}); }
  static QuarnValue makeFloat(float v) { return QuarnValue(ValueKind::floatValue, Payload{.real = v}); }
  static QuarnValue makeString(std::string v);
  static QuarnValue makeBool(bool v) { return QuarnValue(ValueKind::boolValue, Payload{.boolean = v}); }
  static QuarnValue makeArray(QuarnArray elements);
  static QuarnValue none() { return QuarnValue{}; }

  ValueKind kind() const { return kind_; }
  bool isNumber() const { return kind_ == ValueKind::intValue || kind_ == ValueKind::floatValue; }

  // Payload access; only valid for the matching kind.
  std::int64_t asInt() const { return payload_.integer; }
  float asFloat() const { return payload_.real; }
  const std::string& asString() const;
  bool asBool() const { return payload_.boolean; }
  const QuarnArray& asArray() const;

  // The three readings used across the interpreter.
  bool truth() const { return kind_ == ValueKind::boolValue && payload_.boolean; }  // only bool true is true
  float floatView() const;        // int converted, float itself, everything else 0.0
  std::int64_t integerView() const;  // int itself, float truncated (NaN 0, saturating), else 0

private:
  struct SharedText;
  struct SharedList;
  union Payload {
    std::int64_t integer;
    float real;
    bool boolean;
    SharedText* text;
    SharedList* list;
  };

  QuarnValue(ValueKind kind, Payload payload) noexcept : payload_(payload), kind_(kind) {}
  bool isShared() const { return kind_ == ValueKind::stringValue || kind_ == ValueKind::arrayValue; }
  void retain() const noexcept;
  void release() noexcept;

  Payload payload_{.integer = 0};
  ValueKind kind_ = ValueKind::none;
};

}  // namespace quarn
