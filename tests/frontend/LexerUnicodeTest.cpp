// Characters are grapheme clusters of UTF-8; invalid bytes read as U+FFFD.
#include <gtest/gtest.h>

#include "LexerTestSupport.h"
#include "frontend/UnicodeCharacters.h"
#include "frontend/UnicodeText.h"

namespace quarn::testing {
namespace {

const std::string kReplacement = "\uFFFD";

std::string repeated(const std::string& piece, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += piece;
  return out;
}

TEST(LexerUnicode, InvalidBytesAreDroppedBetweenWords) {
  EXPECT_EQ(tokenize("a\xFF" "b"), withEof({id("a"), id("b")}));
  EXPECT_EQ(tokenize("x\xE2\x82"), withEof({id("x")}));
  EXPECT_EQ(tokenize("\xC3"), withEof({}));
  EXPECT_EQ(tokenize("\xED\xA0\x80" "1"), withEof({num(1)}));  // an encoded surrogate
}

TEST(LexerUnicode, InvalidBytesInStringsBecomeReplacementCharacters) {
  struct Case {
    std::string text;
    std::string literal;
  };
  const std::vector<Case> cases = {
      {"\"a\xFF\"", "a" + kReplacement},
      {"\"\xF0\x9F\x98\"", kReplacement},  // one per maximal ill-formed subpart
      {"\"\xC0\xAF\"", repeated(kReplacement, 2)},
      {"\"\xED\xA0\x80\"", repeated(kReplacement, 3)},
      {"\"\xE2\x82\"", kReplacement},
  };
  for (const Case& c : cases) {
    const std::vector<Token> tokens = tokenize(c.text);
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0].text, c.literal);
  }
}

TEST(LexerUnicode, ToValidUtf8KeepsValidTextAndRepairsTheRest) {
  EXPECT_EQ(toValidUtf8("caf\u00E9 \U0001F600"), "caf\u00E9 \U0001F600");
  EXPECT_EQ(toValidUtf8(std::string("a\0\xFF", 3)), std::string("a\0", 2) + kReplacement);
}

TEST(LexerUnicode, ClustersJoinAcrossAsciiNeighbours) {
  EXPECT_EQ(tokenize("e\u0301x"), withEof({id("\u00E9x")}));
  EXPECT_EQ(tokenize("x \u06001"), withEof({id("x")}));  // Prepend joins the digit
  EXPECT_EQ(tokenize("1\u0903 2"), withEof({num(0), num(2)}));  // a spacing mark joins the 1
  EXPECT_EQ(tokenize("\r\u0301x"), withEof({id("x")}));
  EXPECT_EQ(tokenize("\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7 a"), withEof({id("a")}));
}

TEST(LexerUnicode, OverlongClusterIsCutAtTheCharacterLimit) {
  // An a carrying 40000 acutes: the first character stops at the limit, the
  // rest are characters beginning with an acute, which no rule uses.
  const std::vector<Token> tokens = tokenize("a" + repeated("\u0301", 40000) + " x");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].kind, TokenKind::identifier);
  EXPECT_LE(tokens[0].text.size(), kMaxCharacterBytes);
  EXPECT_GT(tokens[0].text.size(), kMaxCharacterBytes - 4);
  EXPECT_EQ(tokens[1], id("x"));
}

TEST(LexerUnicode, SecondTokenizeGivesOnlyEof) {
  Lexer lexer("a b");
  EXPECT_EQ(lexer.tokenize().size(), 3u);
  EXPECT_EQ(lexer.tokenize(), withEof({}));
}

}  // namespace
}  // namespace quarn::testing
