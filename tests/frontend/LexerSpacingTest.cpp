// Whitespace and comments: no tokens, only the separation they make.
#include <gtest/gtest.h>

#include "LexerTestSupport.h"

namespace quarn::testing {
namespace {

TEST(LexerWhitespace, NothingButSpaceGivesOnlyEof) {
  expectCases({
      {"", {}},
      {" \t\n\v\f\r", {}},
      {"\r\n\r\n  ", {}},
      {"\u00A0\u2003\u3000\u0085\u2028", {}},  // White_Space beyond ASCII
  });
}

TEST(LexerWhitespace, SeparatesWords) {
  expectCases({
      {"a b\tc\nd", {id("a"), id("b"), id("c"), id("d")}},
      {"a\r\nb", {id("a"), id("b")}},
      {"a\u00A0b\u3000c", {id("a"), id("b"), id("c")}},
      // ZERO WIDTH SPACE is not White_Space: dropped, but still ends the word
      {"a\u200Bb", {id("a"), id("b")}},
  });
}

TEST(LexerComments, CommentsAloneGiveOnlyEof) {
  expectCases({
      {"// only a comment", {}},
      {"/* a */", {}},
      {"/* unterminated [x", {}},
      {"/*", {}},
      {"/*/", {}},
      {"// one\n// two\n", {}},
  });
}

TEST(LexerComments, BlockCommentEndsAtFirstCloseFromOpeningStar) {
  expectCases({
      {"/* a */x", {id("x")}},
      {"/**/x", {id("x")}},
      {"/*/x", {id("x")}},  // the opening star may also close the comment
      {"a/**/b", {id("a"), id("b")}},
      {"/* /* */ x", {id("x")}},  // no nesting
      {"/* a */ */", {tok(TokenKind::star), tok(TokenKind::slash)}},
      {"/* ** */x", {id("x")}},
      {"/***/x", {id("x")}},
  });
}

TEST(LexerComments, LineCommentEndsBeforeLineFeed) {
  expectCases({
      {"// c\nx", {id("x")}},
      {"x // c [ ] ;", {id("x")}},
      {"// é ü 😀\nx", {id("x")}},
      {"//\n\nx", {id("x")}},
  });
}

TEST(LexerComments, LineCommentEndsBeforeCrLfButNotLoneCr) {
  expectCases({
      {"// c\r\nx", {id("x")}},
      {"a // c\r\nb // d\r\n", {id("a"), id("b")}},
      {"// c\rx", {}},  // a lone carriage return is no line end
  });
}

TEST(LexerComments, MarksCarryingCombiningMarksDoNotOpenOrCloseComments) {
  expectCases({
      // "/" then "*" with an acute: no comment; "*" "/" "x" follow as tokens
      {"/*\u0301*/x", {tok(TokenKind::slash), tok(TokenKind::star), tok(TokenKind::slash), id("x")}},
      {"/* *\u0301/ */x", {id("x")}},
      {"//\u0301\nx", {tok(TokenKind::slash), id("x")}},
      {"// c\n\u0301x", {id("x")}},  // nothing joins a line feed: the acute stands alone
      {"// c\r\n\u0301x", {id("x")}},
  });
}

}  // namespace
}  // namespace quarn::testing
