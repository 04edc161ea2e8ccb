// SPDX-License-Identifier: GPL-3.0-or-later
// Number rule: the collected text of numbers and points becomes one token.
#include <locale.h>

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "frontend/LexerInternal.h"

namespace quarn {
namespace {

// Floats read by C rules whatever locale the process runs in.
locale_t cLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return locale;
}

// The rare text out of the float range, by strtof: infinity above it, 0 or a
// subnormal below, as before the fast reader.
float readFloatByStrtof(std::string_view text) {
  const locale_t locale = cLocale();
  if (locale == static_cast<locale_t>(0)) return 0.0f;
  const std::string terminated(text);
  char* end = nullptr;
  const float value = strtof_l(terminated.c_str(), &end, locale);
  return end == terminated.c_str() + terminated.size() ? value : 0.0f;
}

// from_chars reads C-locale syntax whatever the process locale, without a copy.
float readFloat(std::string_view text) {
  float value = 0.0f;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) return readFloatByStrtof(text);
  return error == std::errc() && end == text.data() + text.size() ? value : 0.0f;
}

std::int64_t readInteger(std::string_view text) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  std::int64_t value = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return 0;  // another script's digit, a fraction, ...
    const int digit = ch - '0';
    if (value > (kMax - digit) / 10) return 0;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace

Token numberToken(std::string_view text, bool hasPoint) {
  if (hasPoint) return Token::floatNumber(readFloat(text));
  return Token::intNumber(readInteger(text));
}

}  // namespace quarn
