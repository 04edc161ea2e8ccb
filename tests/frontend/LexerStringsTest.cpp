// String literals: everything up to the next double quote, no escapes.
#include <gtest/gtest.h>

#include "LexerTestSupport.h"

namespace quarn::testing {
namespace {

TEST(LexerStrings, TextBetweenQuotesIsKeptAsWritten) {
  const std::vector<LexCase> cases = {
      {"\"abc\"", {str("abc")}},
      {"\"\"", {str("")}},
      {"\"a\\nb\"", {str("a\\nb")}},  // a backslash is an ordinary character
      {"\"a\\\"", {str("a\\")}},
      {"\"line1\nline2\r\n\"", {str("line1\nline2\r\n")}},
      {"\"// no comment /* */\"", {str("// no comment /* */")}},
      {"\"a\"\"b\"", {str("a"), str("b")}},
      {"\"x\"y", {str("x"), id("y")}},
      {"\"\U0001F600 \U0001F468\u200D\U0001F469\"", {str("\U0001F600 \U0001F468\u200D\U0001F469")}},
  };
  for (const LexCase& c : cases) {
    SCOPED_TRACE("text: " + c.text);
    const std::vector<Token> tokens = tokenize(c.text);
    EXPECT_EQ(textForms(tokens), textForms(withEof(c.expected)));
  }
}

TEST(LexerStrings, UnterminatedStringTakesTheRest) {
  EXPECT_EQ(tokenize("\"abc"), withEof({str("abc")}));
  EXPECT_EQ(tokenize("x \"abc ; ]"), withEof({id("x"), str("abc ; ]")}));
  EXPECT_EQ(tokenize("\""), withEof({str("")}));
}

TEST(LexerStrings, QuoteCarryingCombiningMarkIsNoQuote) {
  EXPECT_EQ(textForms(tokenize("\"a\"\u0301b\"")), textForms(withEof({str("a\"\u0301b")})));
  EXPECT_EQ(tokenize("\"\u0301abc"), withEof({id("abc")}));
}

}  // namespace
}  // namespace quarn::testing
