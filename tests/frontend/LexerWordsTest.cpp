// Words: keywords, booleans and identifiers, in any script, NFC-normalised.
#include <gtest/gtest.h>

#include "LexerTestSupport.h"

namespace quarn::testing {
namespace {

using K = TokenKind;

TEST(LexerWords, KeywordsMatchExactlyAndCaseSensitively) {
  expectCases({
      {"const int float string bool if else while array void async",
       {kw("const"), kw("int"), kw("float"), kw("string"), kw("bool"), kw("if"), kw("else"),
        kw("while"), kw("array"), kw("void"), kw("async")}},
      {"If Const WHILE ints asyncx", {id("If"), id("Const"), id("WHILE"), id("ints"),
                                      id("asyncx")}},
      {"self tb303 sampler", {id("self"), id("tb303"), id("sampler")}},
  });
}

TEST(LexerWords, TrueAndFalseAreBooleans) {
  expectCases({
      {"true false", {Token::boolean(true), Token::boolean(false)}},
      {"True FALSE trueish", {id("True"), id("FALSE"), id("trueish")}},
  });
}

TEST(LexerWords, WordStartsWithLetterAndGoesOnWithLettersNumbersUnderscores) {
  expectCases({
      {"x_1", {id("x_1")}},
      {"a__b_", {id("a__b_")}},
      {"_x", {id("x")}},
      {"1abc", {num(1), id("abc")}},
      {"x.y", {id("x"), id("y")}},
      {"x\u0663", {id("x\u0663")}},        // ARABIC-INDIC DIGIT THREE continues a word
      {"\u216Ba", {id("\u216Ba")}},        // a Roman numeral is a letter first
      {"a_\u0301b", {id("a"), id("b")}},  // an underscore carrying an acute is no underscore
  });
}

TEST(LexerWords, NonAsciiLettersMakeWords) {
  expectCases({
      {"caf\u00E9 \u03B1\u03B2\u03B3 \u041F\u0440\u0438\u0432\u0435\u0442",
       {id("caf\u00E9"), id("\u03B1\u03B2\u03B3"), id("\u041F\u0440\u0438\u0432\u0435\u0442")}},
      {"\u0928\u092E\u0938\u094D\u0924\u0947", {id("\u0928\u092E\u0938\u094D\u0924\u0947")}},
      {"a\u200Db", {id("a\u200Db")}},  // the ZWJ joins the a
      {"\u0600abc", {id("bc")}},       // the Prepend sign joins the a into a character that is no letter
  });
}

TEST(LexerWords, WordTextsAreNfcStringsAreNot) {
  const std::vector<Token> tokens = tokenize("cafe\u0301 \u212Aey \"cafe\u0301\"");
  ASSERT_EQ(tokens.size(), 4u);
  EXPECT_EQ(tokens[0].text, "caf\u00E9");
  EXPECT_EQ(tokens[1].text, "Key");  // KELVIN SIGN is canonically K
  EXPECT_EQ(tokens[2].text, "cafe\u0301");
  EXPECT_EQ(tokens[2].kind, K::stringLiteral);
}

}  // namespace
}  // namespace quarn::testing
