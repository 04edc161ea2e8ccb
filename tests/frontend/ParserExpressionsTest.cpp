// Expressions: precedence and associativity, prefix operators, primaries,
// array literals and message sends.

#include <gtest/gtest.h>

#include "frontend/ParseErrors.h"
#include "frontend/ParserTreePrinter.h"

namespace quarn {
namespace {

using testing::parsed;
using testing::parseError;

struct Case {
  const char* source;
  const char* expected;
};

void expectAll(std::initializer_list<Case> cases) {
  for (const Case& c : cases) EXPECT_EQ(parsed(c.source), c.expected) << "source: " << c.source;
}

TEST(ParserPrecedence, TighterOperatorsSitDeeper) {
  expectAll({
      {"1 + 2 * 3;", "(+ 1 (* 2 3))"},
      {"1 * 2 + 3;", "(+ (* 1 2) 3)"},
      {"a || b && c;", "(|| a (&& b c))"},
      {"a && b || c;", "(|| (&& a b) c)"},
      {"a == b < c;", "(== a (< b c))"},
      {"a < b == c < d;", "(== (< a b) (< c d))"},
      {"a != b >= c;", "(!= a (>= b c))"},
      {"a <= b + c % d;", "(<= a (+ b (% c d)))"},
      {"a > b / c - d;", "(> a (- (/ b c) d))"},
      {"a || b == c + d * e;", "(|| a (== b (+ c (* d e))))"},
      {"a * b + c == d && e || f;", "(|| (&& (== (+ (* a b) c) d) e) f)"},
  });
}

TEST(ParserPrecedence, EqualStrengthGroupsToTheLeft) {
  expectAll({
      {"10 - 4 - 3;", "(- (- 10 4) 3)"},
      {"a / b * c % d;", "(% (* (/ a b) c) d)"},
      {"a + b - c + d;", "(+ (- (+ a b) c) d)"},
      {"a == b != c;", "(!= (== a b) c)"},
      {"a < b > c <= d >= e;", "(>= (<= (> (< a b) c) d) e)"},
      {"a && b && c;", "(&& (&& a b) c)"},
      {"a || b || c;", "(|| (|| a b) c)"},
  });
}

TEST(ParserPrecedence, NonOperatorTokensEndTheExpression) {
  // the token that ends the expression is left for the statement reader
  EXPECT_EQ(parseError("a ! b;"), parse_errors::semicolonMissing(Token::make(TokenKind::logicalNot)));
  EXPECT_EQ(parseError("a = b = c;"), parse_errors::semicolonMissing(Token::make(TokenKind::assign)));
  EXPECT_EQ(parseError("a , b;"), parse_errors::semicolonMissing(Token::make(TokenKind::comma)));
  EXPECT_EQ(parseError("a ) b;"), parse_errors::semicolonMissing(Token::make(TokenKind::closeParen)));
}

TEST(ParserPrefix, BindsOnlyTheOperandAfterIt) {
  expectAll({
      {"x = - a * b;", "(= x (* (- a) b))"},
      {"! a && b;", "(&& (! a) b)"},
      {"x = - a + b;", "(= x (+ (- a) b))"},
      {"a * - b;", "(* a (- b))"},
      {"a - - b;", "(- a (- b))"},
      {"! - x;", "(! (- x))"},
      {"x = - ! - 1;", "(= x (- (! (- 1))))"},
      {"!!!a || b;", "(|| (! (! (! a))) b)"},
      {"x = -[a b] * 2;", "(= x (* (- [a b]) 2))"},
  });
}

TEST(ParserPrefix, PlusIsNoPrefixOperator) {
  EXPECT_EQ(parseError("x = + 1;"), parse_errors::unexpectedToken(Token::make(TokenKind::plus)));
  EXPECT_EQ(parseError("+ 1;"), parse_errors::unexpectedToken(Token::make(TokenKind::plus)));
}

TEST(ParserPrimary, EveryLiteralAndName) {
  expectAll({
      {"x;", "x"},
      {"42;", "42"},
      {"110.0;", "110.0"},
      {"0.5;", "0.5"},
      {"\"kick\";", "\"kick\""},
      {"true;", "true"},
      {"false;", "false"},
      {"é;", "é"},
      {"9223372036854775807;", "9223372036854775807"},
  });
}

TEST(ParserPrimary, RejectsTokensThatStartNoExpression) {
  struct Rejected {
    const char* source;
    Token token;
  };
  const Rejected cases[] = {
      {"(1);", Token::make(TokenKind::openParen)},
      {"* 2;", Token::make(TokenKind::star)},
      {"x = ;", Token::make(TokenKind::semicolon)},
      {"x = 1 + ", Token::make(TokenKind::eof)},
      {"x = 1 * void;", Token::keyword("void")},
      {"x = ];", Token::make(TokenKind::closeBracket)},
      {"x = :;", Token::make(TokenKind::colon)},
      {"x = {;", Token::make(TokenKind::openBrace)},
      {"x = == 1;", Token::make(TokenKind::equalEqual)},
      {"x = 1 < < 2;", Token::make(TokenKind::lessThan)},
  };
  for (const Rejected& c : cases) {
    EXPECT_EQ(parseError(c.source), parse_errors::unexpectedToken(c.token)) << c.source;
  }
}

TEST(ParserArrays, ElementsInSourceOrder) {
  expectAll({
      {"x = @[];", "(= x (@))"},
      {"x = @[1, 2];", "(= x (@ 1 2))"},
      {"x = @[1 + 2, -a, \"s\", [a b], @[], @[@[true]]];",
       "(= x (@ (+ 1 2) (- a) \"s\" [a b] (@) (@ (@ true))))"},
      {"x = @[1] + @[2];", "(= x (+ (@ 1) (@ 2)))"},
  });
}

TEST(ParserArrays, MalformedLiterals) {
  EXPECT_EQ(parseError("x = @[1, 2,];"), parse_errors::unexpectedToken(Token::make(TokenKind::closeBracket)));
  EXPECT_EQ(parseError("x = @[1 2];"), parse_errors::kArrayClose);
  EXPECT_EQ(parseError("x = @[1, 2"), parse_errors::kArrayClose);
  EXPECT_EQ(parseError("x = @[,];"), parse_errors::unexpectedToken(Token::make(TokenKind::comma)));
  EXPECT_EQ(parseError("x = @[1;"), parse_errors::kArrayClose);
  for (const char* source : {"x = @ a;", "x = @ 1;", "x = @", "x = @(1);", "x = @@[1];"}) {
    EXPECT_EQ(parseError(source), parse_errors::kArrayStart) << source;
  }
}

TEST(ParserSends, SelectorKeepsItsColonWhenThereIsAnArgument) {
  expectAll({
      {"[tb303 setFrequency:110.0];", "[tb303 setFrequency: 110.0]"},
      {"[tb303 play];", "[tb303 play]"},
      {"[self wait:0.5];", "[self wait: 0.5]"},
      {"[sampler play:\"kick\"];", "[sampler play: \"kick\"]"},
      {"[a b:[c d]];", "[a b: [c d]]"},
      {"[a b:1 + 2 * x];", "[a b: (+ 1 (* 2 x))]"},
      {"[a b:@[1, 2]];", "[a b: (@ 1 2)]"},
      {"x = [a b] + [c d:1];", "(= x (+ [a b] [c d: 1]))"},
  });
}

TEST(ParserSends, MalformedSends) {
  struct Bad {
    const char* source;
    std::string_view message;
  };
  const Bad cases[] = {
      {"[x];", parse_errors::kSelectorName},
      {"[x 1];", parse_errors::kSelectorName},
      {"[x", parse_errors::kSelectorName},
      {"[1 play];", parse_errors::kReceiverName},
      {"[];", parse_errors::kReceiverName},
      {"[[a b] c];", parse_errors::kReceiverName},
      {"[", parse_errors::kReceiverName},
      {"[x a:1 b:2];", parse_errors::kSendClose},
      {"[x a", parse_errors::kSendClose},
      {"[x a:1", parse_errors::kSendClose},
      {"[x a b];", parse_errors::kSendClose},
      {"[x a:1, 2];", parse_errors::kSendClose},
  };
  for (const Bad& c : cases) EXPECT_EQ(parseError(c.source), c.message) << c.source;
  EXPECT_EQ(parseError("[x a:];"), parse_errors::unexpectedToken(Token::make(TokenKind::closeBracket)));
}

}  // namespace
}  // namespace quarn
