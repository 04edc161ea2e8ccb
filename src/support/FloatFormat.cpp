// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FloatFormat.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace quarn {

namespace {

// Plain decimals read best for the magnitudes scripts use; outside this range
// the shortest form, exponent or not, is kept.
constexpr float kPlainDecimalMin = 1e-4f;
constexpr float kPlainDecimalMax = 1e16f;

bool readsBestPlain(float value) {
  float magnitude = std::fabs(value);
  return magnitude == 0.0f || (magnitude >= kPlainDecimalMin && magnitude <= kPlainDecimalMax);
}

// The shortest digits, placed without an exponent: "1.2345679e+08" becomes
// "123456790" (fixed notation would print the float's exact 123456792).
std::string plainFromScientific(const std::string& scientific) {
  size_t exponentAt = scientific.find('e');
  size_t signLength = scientific[0] == '-' ? 1 : 0;
  std::string digits;
  for (size_t i = signLength; i < exponentAt; ++i)
    if (scientific[i] != '.') digits += scientific[i];
  int pointAt = std::atoi(scientific.c_str() + exponentAt + 1) + 1;  // digits before the point
  std::string sign = scientific.substr(0, signLength);
  if (pointAt <= 0) return sign + "0." + std::string(-pointAt, '0') + digits;
  if (pointAt >= static_cast<int>(digits.size()))
    return sign + digits + std::string(pointAt - digits.size(), '0');
  return sign + digits.substr(0, pointAt) + "." + digits.substr(pointAt);
}

}  // namespace

std::string formatFloat(float value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char buffer[64];
  bool plain = readsBestPlain(value);
  auto end = plain ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific).ptr
                   : std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  std::string text(buffer, end);
  if (plain) text = plainFromScientific(text);
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

}  // namespace quarn
