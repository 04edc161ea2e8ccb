// Punctuation and operators: single marks, greedy two-character operators and
// the marks that are dropped.
#include <gtest/gtest.h>

#include "LexerTestSupport.h"

namespace quarn::testing {
namespace {

using K = TokenKind;

std::vector<Token> kinds(std::initializer_list<K> list) {
  std::vector<Token> tokens;
  for (K kind : list) tokens.push_back(tok(kind));
  return tokens;
}

TEST(LexerPunctuation, SingleMarks) {
  expectCases({
      {"[]:;+-*%(){},@", kinds({K::openBracket, K::closeBracket, K::colon, K::semicolon, K::plus,
                               K::minus, K::star, K::modulo, K::openParen, K::closeParen,
                               K::openBrace, K::closeBrace, K::comma, K::atSign})},
      {"= ! < > /", kinds({K::assign, K::logicalNot, K::lessThan, K::greaterThan, K::slash})},
      {"/", kinds({K::slash})},
      {"3/2", {num(3), tok(K::slash), num(2)}},
  });
}

TEST(LexerPunctuation, TwoCharacterOperatorsAreGreedyAndNeverOverlap) {
  expectCases({
      {"== != <= >= && ||", kinds({K::equalEqual, K::notEqual, K::lessEqual, K::greaterEqual,
                                   K::logicalAnd, K::logicalOr})},
      {"===", kinds({K::equalEqual, K::assign})},
      {"====", kinds({K::equalEqual, K::equalEqual})},
      {"&&&", kinds({K::logicalAnd})},
      {"|||", kinds({K::logicalOr})},
      {"!=!", kinds({K::notEqual, K::logicalNot})},
      {"<<=", kinds({K::lessThan, K::lessEqual})},
      {"a>b", {id("a"), tok(K::greaterThan), id("b")}},
      {"a>=b", {id("a"), tok(K::greaterEqual), id("b")}},
      {"a=>b", {id("a"), tok(K::assign), tok(K::greaterThan), id("b")}},
      {"= =", kinds({K::assign, K::assign})},
  });
}

TEST(LexerPunctuation, LoneAmpersandBarAndUnknownMarksAreDropped) {
  expectCases({
      {"a & b", {id("a"), id("b")}},
      {"a | b", {id("a"), id("b")}},
      {"a # b", {id("a"), id("b")}},
      {". _ # $ ? ' \\ ` ~ ^ 😀 \u00A7", {}},
      {"&", {}},
      {"|", {}},
      {std::string("a\0b", 3), {id("a"), id("b")}},
  });
}

TEST(LexerPunctuation, MinusIsAlwaysItsOwnToken) {
  expectCases({
      {"-5", {tok(K::minus), num(5)}},
      {"--1.5", {tok(K::minus), tok(K::minus), flt(1.5f)}},
  });
}

TEST(LexerPunctuation, WholeStatements) {
  expectCases({
      {"[tb303 setFrequency:110.0];",
       {tok(K::openBracket), id("tb303"), id("setFrequency"), tok(K::colon), flt(110.0f),
        tok(K::closeBracket), tok(K::semicolon)}},
      {"float x = -5;", {kw("float"), id("x"), tok(K::assign), tok(K::minus), num(5),
                         tok(K::semicolon)}},
      {"if (x != 1 && !y || z <= 2)",
       {kw("if"), tok(K::openParen), id("x"), tok(K::notEqual), num(1), tok(K::logicalAnd),
        tok(K::logicalNot), id("y"), tok(K::logicalOr), id("z"), tok(K::lessEqual), num(2),
        tok(K::closeParen)}},
      {"@[1, 2]", {tok(K::atSign), tok(K::openBracket), num(1), tok(K::comma), num(2),
                   tok(K::closeBracket)}},
  });
}

TEST(LexerPunctuation, MarkWithCombiningMarkOrPrependIsNotThatMark) {
  expectCases({
      {"[\u0301", {}},
      {"=\u0301=", kinds({K::assign})},
      {"==\u0301", kinds({K::assign})},
      {"&\u0301&", {}},
      {"<\u200D=", kinds({K::assign})},  // ZWJ joins the "<", which is then dropped
      {"\u0600[x", {id("x")}},  // ARABIC NUMBER SIGN is Prepend: it joins the "["
  });
}

}  // namespace
}  // namespace quarn::testing
