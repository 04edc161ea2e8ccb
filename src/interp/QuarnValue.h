#pragma once
// The runtime value of a Quarn expression: int, float, string, bool, array or
// none. A plain value: copies of an array share storage, which is never changed
// after it is made, so values may cross threads freely.

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace quarn {

struct QuarnValue;
using QuarnArray = std::vector<QuarnValue>;

// The six cases in order; the enumerators carry a suffix because the plain names
// are C++ keywords.
enum class ValueKind : std::uint8_t { intValue, floatValue, stringValue, boolValue, arrayValue, none };

struct QuarnValue {
  using Storage = std::variant<std::int64_t, float, std::string, bool,
                               std::shared_ptr<const QuarnArray>, std::monostate>;
  Storage storage{std::monostate{}};

  static QuarnValue makeInt(std::int64_t v) { return QuarnValue{Storage{std::in_place_index<0>, v}}; }
  static QuarnValue makeFloat(float v) { return QuarnValue{Storage{std::in_place_index<1>, v}}; }
  static QuarnValue makeString(std::string v) { return QuarnValue{Storage{std::in_place_index<2>, std::move(v)}}; }
  static QuarnValue makeBool(bool v) { return QuarnValue{Storage{std::in_place_index<3>, v}}; }
  static QuarnValue makeArray(QuarnArray elements);
  static QuarnValue none() { return QuarnValue{}; }

  ValueKind kind() const { return static_cast<ValueKind>(storage.index()); }
  bool isNumber() const { return kind() == ValueKind::intValue || kind() == ValueKind::floatValue; }

  // Payload access; only valid for the matching kind.
  std::int64_t asInt() const { return std::get<0>(storage); }
  float asFloat() const { return std::get<1>(storage); }
  const std::string& asString() const { return std::get<2>(storage); }
  bool asBool() const { return std::get<3>(storage); }
  const QuarnArray& asArray() const { return *std::get<4>(storage); }

  // The three readings used across the interpreter.
  bool truth() const;             // only bool true is true
  float floatView() const;        // int converted, float itself, everything else 0.0
  std::int64_t integerView() const;  // int itself, float truncated (NaN 0, saturating), else 0
};

}  // namespace quarn
