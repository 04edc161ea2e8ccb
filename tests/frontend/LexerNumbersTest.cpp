// Numbers: integers of ASCII digits, C-locale floats, and what becomes 0.
#include <clocale>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "LexerTestSupport.h"

namespace quarn::testing {
namespace {

using K = TokenKind;

TEST(LexerNumbers, Integers) {
  expectCases({
      {"42 007 0", {num(42), num(7), num(0)}},
      {"9223372036854775807", {num(std::numeric_limits<std::int64_t>::max())}},
      {"9223372036854775808", {num(0)}},
      {std::string(20, '9'), {num(0)}},
      {"1e5", {num(1), id("e5")}},
      {".5", {num(5)}},
  });
}

TEST(LexerNumbers, Floats) {
  expectCases({
      {"110.0", {flt(110.0f)}},
      {"0.1", {flt(0.1f)}},
      {"5.", {flt(5.0f)}},
      {"1.5x", {flt(1.5f), id("x")}},
      {"16777217.0", {flt(16777216.0f)}},  // nearest float
  });
}

TEST(LexerNumbers, MalformedFloatsAreZero) {
  expectCases({
      {"1.2.3", {flt(0.0f)}},
      {"3..", {flt(0.0f)}},
  });
}

TEST(LexerNumbers, FloatsBeyondRangeSaturate) {
  const std::vector<Token> huge = tokenize("1" + std::string(50, '0') + ".0");
  ASSERT_EQ(huge.size(), 2u);
  EXPECT_TRUE(std::isinf(huge[0].floatValue) && huge[0].floatValue > 0);
  EXPECT_EQ(tokenize("0." + std::string(60, '0') + "1"), withEof({flt(0.0f)}));
}

TEST(LexerNumbers, NonAsciiNumericCharactersGiveZero) {
  expectCases({
      {"\u0663", {num(0)}},                 // ARABIC-INDIC DIGIT THREE
      {"\u0663.\u0665", {flt(0.0f)}},
      {"1\u00BD", {num(0)}},                // VULGAR FRACTION ONE HALF
      {"\u00BD.5", {flt(0.0f)}},
      {"\uFF11\uFF12", {num(0)}},           // fullwidth digits
      {"5\u0301", {num(0)}},                // the acute is part of the number's character
      {"5\u0301.0 1", {flt(0.0f), num(1)}},
  });
}

TEST(LexerNumbers, FloatsIgnoreTheProcessLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr &&
      std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  }
  const std::vector<Token> tokens = tokenize("1.5");
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(tokens, withEof({flt(1.5f)}));
}

}  // namespace
}  // namespace quarn::testing
