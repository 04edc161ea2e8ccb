// Token text form and equality.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "LexerTestSupport.h"

namespace quarn::testing {
namespace {

using K = TokenKind;

TEST(TokenKinds, NamesFollowTheKindOrder) {
  const std::vector<std::string_view> names = {
      "keyword", "identifier", "intNumber", "floatNumber", "stringLiteral", "boolean",
      "openBracket", "closeBracket", "colon", "semicolon", "eof", "plus", "minus", "star",
      "slash", "modulo", "equalEqual", "notEqual", "lessThan", "greaterThan", "lessEqual",
      "greaterEqual", "logicalAnd", "logicalOr", "logicalNot", "openParen", "closeParen",
      "openBrace", "closeBrace", "comma", "atSign", "assign"};
  ASSERT_EQ(names.size(), static_cast<std::size_t>(kTokenKindCount));
  for (int i = 0; i < kTokenKindCount; ++i) {
    EXPECT_EQ(tokenKindName(static_cast<K>(i)), names[i]);
  }
}

TEST(TokenText, CaseNameAndValue) {
  const std::vector<std::pair<Token, std::string>> cases = {
      {id("x"), "identifier(\"x\")"},
      {kw("void"), "keyword(\"void\")"},
      {flt(110.0f), "floatNumber(110.0)"},
      {flt(0.1f), "floatNumber(0.1)"},
      {flt(-2.5f), "floatNumber(-2.5)"},
      {num(5), "intNumber(5)"},
      {num(-7), "intNumber(-7)"},
      {Token::boolean(true), "boolean(true)"},
      {Token::boolean(false), "boolean(false)"},
      {tok(K::eof), "eof"},
      {tok(K::semicolon), "semicolon"},
      {tok(K::greaterEqual), "greaterEqual"},
      {str("a\"b"), "stringLiteral(\"a\\\"b\")"},
      {str("\\ \t \n \r"), "stringLiteral(\"\\\\ \\t \\n \\r\")"},
      {str(std::string("\x01\x1B\x7F\0", 4)), "stringLiteral(\"\\u{1}\\u{1B}\\u{7F}\\u{0}\")"},
      {str("caf\u00E9"), "stringLiteral(\"caf\u00E9\")"},
  };
  for (const auto& [token, text] : cases) EXPECT_EQ(toString(token), text);
}

TEST(TokenText, HugeFloatReadsBackToTheSameValue) {
  const float value = 3.0e38f;
  const std::string text = toString(flt(value));
  ASSERT_EQ(text.rfind("floatNumber(", 0), 0u);
  EXPECT_EQ(std::strtof(text.substr(12, text.size() - 13).c_str(), nullptr), value);
}

TEST(TokenEquality, KindAndValue) {
  EXPECT_EQ(id("x"), id("x"));
  EXPECT_NE(id("x"), id("y"));
  EXPECT_NE(kw("if"), id("if"));
  EXPECT_NE(str("1"), num(1));
  EXPECT_EQ(num(3), num(3));
  EXPECT_NE(num(3), num(4));
  EXPECT_NE(num(0), flt(0.0f));
  EXPECT_EQ(Token::boolean(true), Token::boolean(true));
  EXPECT_NE(Token::boolean(true), Token::boolean(false));
  EXPECT_EQ(tok(K::comma), tok(K::comma));
  EXPECT_NE(tok(K::comma), tok(K::colon));
}

TEST(TokenEquality, TextsCompareByCanonicalEquivalence) {
  EXPECT_EQ(str("e\u0301"), str("\u00E9"));
  EXPECT_EQ(id("cafe\u0301"), id("caf\u00E9"));
  EXPECT_EQ(str("\u212B"), str("\u00C5"));  // ANGSTROM SIGN
  EXPECT_NE(str("e"), str("\u00E9"));
  EXPECT_NE(str("\uFB01"), str("fi"));  // a compatibility ligature is not canonical
}

TEST(TokenEquality, FloatsCompareAsIeee) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(flt(0.0f), flt(-0.0f));
  EXPECT_NE(flt(nan), flt(nan));
  EXPECT_NE(flt(1.0f), flt(std::nextafter(1.0f, 2.0f)));
}

}  // namespace
}  // namespace quarn::testing
