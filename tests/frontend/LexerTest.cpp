// SPDX-License-Identifier: GPL-3.0-or-later
// Grapheme clusters classed by Unicode property; NFC words; C-locale floats; token equality.
#include <clocale>
#include <cmath>
#include <limits>

#include "FrontendTestSupport.h"

namespace quarn::testing {
namespace {

using K = TokenKind;
const std::string kReplacement = "\uFFFD";

TEST(LexerUnicode, ClustersAndProperties) {
  expectTokens({
      {"\u00A0\u2003\u3000\u0085\u2028", {}},              // White_Space beyond ASCII
      {"a\u00A0b\u3000c\u200Bd", {id("a"), id("b"), id("c"), id("d")}},  // ZWSP is no space, nor a letter
      {"\u0928\u092E\u0938\u094D\u0924\u0947", {id("\u0928\u092E\u0938\u094D\u0924\u0947")}},  // a virama inside
      {"x\u0663 \u216Ba", {id("x\u0663"), id("\u216Ba")}},  // a digit goes on a word; a Roman numeral is a letter
      {"a\u200Db e\u0301x", {id("a\u200Db"), id("\u00E9x")}},  // ZWJ and acute join the letter before
      {"\u0600abc x \u06001", {id("bc"), id("x")}},        // Prepend joins the next character
      {"1\u0903 2", {num(0), num(2)}},                      // a spacing mark joins the 1
      {"\r\u0301x \U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7 a", {id("x"), id("a")}},
      {"a_\u0301b", {id("a"), id("b")}},                    // an underscore with an acute is no underscore
      {"[\u0301 =\u0301= ==\u0301 &\u0301& <\u200D=", {tok(K::assign), tok(K::assign), tok(K::assign)}},
      {"/*\u0301*/x", {tok(K::slash), tok(K::star), tok(K::slash), id("x")}},
      {"/* *\u0301/ */x //\u0301\nx", {id("x"), tok(K::slash), id("x")}},
      {"// c\n\u0301x // c\r\n\u0301y", {id("x"), id("y")}},  // nothing joins a line feed
      {"\"\u0301abc", {id("abc")}},
      {"a\xFF" "b x\xE2\x82 \xC3 \xED\xA0\x80" "1", {id("a"), id("b"), id("x"), num(1)}},
      // in strings, one replacement character per maximal subpart of an invalid sequence
      {"\"a\xFF\" \"\xF0\x9F\x98\" \"\xC0\xAF\" \"\xED\xA0\x80\"",
       {str("a" + kReplacement), str(kReplacement), str(repeat(kReplacement, 2)), str(repeat(kReplacement, 3))}},
  });
  EXPECT_EQ(textForms(tokenize("\"a\"\u0301b\"")), textForms(withEof({str("a\"\u0301b")})));
  EXPECT_EQ(toString(str(std::string("\x01\x1B\x7F\0", 4))), "stringLiteral(\"\\u{1}\\u{1B}\\u{7F}\\u{0}\")");
  // words are NFC, strings keep their bytes: token equality alone cannot tell
  EXPECT_EQ(textForms(tokenize("cafe\u0301 \u212Aey \"cafe\u0301\"")),
            "identifier(\"caf\u00E9\") identifier(\"Key\") stringLiteral(\"cafe\u0301\") eof");
}

TEST(LexerUnicode, OverlongClusterIsCutAtTheCharacterLimit) {
  const std::vector<Token> tokens = tokenize("a" + repeat("\u0301", 40000) + " x");
  ASSERT_EQ(tokens.size(), 3u);  // the cut-off acutes start characters no rule uses
  EXPECT_LE(tokens[0].text.size(), kMaxCharacterBytes);
  EXPECT_GT(tokens[0].text.size(), kMaxCharacterBytes - 4);
  EXPECT_EQ(tokens[1], id("x"));
}

TEST(LexerNumbers, EdgesOfIntsAndFloats) {
  expectTokens({
      {"16777217.0 1.5x 3..", {flt(16777216.0f), flt(1.5f), id("x"), flt(0.0f)}},
      {"0." + std::string(60, '0') + "1", {flt(0.0f)}},
      {"\u0663 \u0663.\u0665 1\u00BD \u00BD.5 \uFF11\uFF12", {num(0), flt(0.0f), num(0), flt(0.0f), num(0)}},
      {"5\u0301 5\u0301.0 1", {num(0), flt(0.0f), num(1)}},
      {"--1.5 <<= ==== !=!", {tok(K::minus), tok(K::minus), flt(1.5f), tok(K::lessThan), tok(K::lessEqual),
                              tok(K::equalEqual), tok(K::equalEqual), tok(K::notEqual), tok(K::logicalNot)}},
      {"/* /* */ x /* a */ */ /***/y // c\rz", {id("x"), tok(K::star), tok(K::slash), id("y")}},
  });
  const std::vector<Token> huge = tokenize("1" + std::string(50, '0') + ".0");
  EXPECT_TRUE(std::isinf(huge[0].floatValue) && huge[0].floatValue > 0);
}

TEST(LexerNumbers, FloatsIgnoreTheProcessLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8")) {
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  }
  const std::vector<Token> tokens = tokenize("1.5 2,5");
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(tokens, withEof({flt(1.5f), num(2), tok(K::comma), num(5)}));
}

TEST(TokenEquality, KindsValuesCanonicalTextsAndIeeeFloats) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::pair<Token, Token> equal[] = {
      {str("e\u0301"), str("\u00E9")}, {id("cafe\u0301"), id("caf\u00E9")},
      {str("\u212B"), str("\u00C5")},  {flt(0.0f), flt(-0.0f)}, {num(3), num(3)},
  };
  const std::pair<Token, Token> unequal[] = {
      {Token::keyword("if"), id("if")}, {str("1"), num(1)}, {num(0), flt(0.0f)}, {flt(nan), flt(nan)},
      {str("\uFB01"), str("fi")},  // a compatibility ligature is not canonical
      {flt(1.0f), flt(std::nextafter(1.0f, 2.0f))}, {Token::boolean(true), Token::boolean(false)},
      {tok(K::comma), tok(K::colon)}, {str("e"), str("\u00E9")},
  };
  for (const auto& [a, b] : equal) EXPECT_EQ(a, b);
  for (const auto& [a, b] : unequal) EXPECT_NE(a, b);
}

}  // namespace
}  // namespace quarn::testing
