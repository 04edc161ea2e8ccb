// Statements, blocks, the program and the cursor rules.

#include <gtest/gtest.h>

#include "frontend/ParseErrors.h"
#include "frontend/ParserTreePrinter.h"

namespace quarn {
namespace {

using testing::parsed;
using testing::parseError;
using testing::printProgram;

struct Case {
  const char* source;
  const char* expected;
};

void expectAll(std::initializer_list<Case> cases) {
  for (const Case& c : cases) EXPECT_EQ(parsed(c.source), c.expected) << "source: " << c.source;
}

TEST(ParserProgram, EmptyScriptsHaveNoStatements) {
  for (const char* source : {"", "   \n\t", "// only a comment\n", "/* block */"}) {
    ParseResult result = compile(source);
    ASSERT_TRUE(result.ok()) << source;
    EXPECT_TRUE(result.program->statements.empty());
    EXPECT_TRUE(result.error.empty());
  }
}

TEST(ParserProgram, StatementsInSourceOrder) {
  EXPECT_EQ(parsed("int x = 1; [tb303 play]; x = 2; { } async { }"),
            "(decl int x 1) [tb303 play] (= x 2) (block) (async (block))");
}

TEST(ParserDeclarations, TypesNamesAndConst) {
  expectAll({
      {"int x = 1; float f = 0.5; const float g = 2.0;",
       "(decl int x 1) (decl float f 0.5) (const float g 2.0)"},
      {"string s = \"hi\"; bool b = !true; array a = @[1];",
       "(decl string s \"hi\") (decl bool b (! true)) (decl array a (@ 1))"},
      {"const while w = 1;", "(const while w 1)"},
      {"const async a = 1;", "(const async a 1)"},
      {"float f = [self wait:1] * 2;", "(decl float f (* [self wait: 1] 2))"},
  });
}

TEST(ParserDeclarations, MissingParts) {
  EXPECT_EQ(parseError("const x = 1;"), parse_errors::kVariableType);
  EXPECT_EQ(parseError("const"), parse_errors::kVariableType);
  EXPECT_EQ(parseError("int x;"), parse_errors::kVariableAssign);
  EXPECT_EQ(parseError("int x == 1;"), parse_errors::kVariableAssign);
  EXPECT_EQ(parseError("float 5 = 1;"), parse_errors::kVariableName);
  EXPECT_EQ(parseError("int if = 1;"), parse_errors::kVariableName);
  EXPECT_EQ(parseError("const int = 1;"), parse_errors::kVariableName);
  EXPECT_EQ(parseError("int x = 1"), parse_errors::semicolonMissing(Token::make(TokenKind::eof)));
}

TEST(ParserAssignments, IdentifierThenAssignOnly) {
  expectAll({
      {"x = 1;", "(= x 1)"},
      {"x;", "x"},
      {"x == 1;", "(== x 1)"},
      {"x = y + 1;", "(= x (+ y 1))"},
  });
  EXPECT_EQ(parseError("1 = x;"), parse_errors::semicolonMissing(Token::make(TokenKind::assign)));
  EXPECT_EQ(parseError("x = 1"), parse_errors::semicolonMissing(Token::make(TokenKind::eof)));
}

TEST(ParserIf, WithAndWithoutElse) {
  expectAll({
      {"if (a) { }", "(if a (block))"},
      {"if (a) { } else { }", "(if a (block) (block))"},
      {"if (x > 1 && y) { [tb303 play]; } else { x = 1; y = 2; }",
       "(if (&& (> x 1) y) (block [tb303 play]) (block (= x 1) (= y 2)))"},
      {"if (a) { if (b) { } }", "(if a (block (if b (block))))"},
  });
}

TEST(ParserIf, MalformedHeaders) {
  EXPECT_EQ(parseError("if x > 1 { }"), parse_errors::kIfOpenParen);
  EXPECT_EQ(parseError("if"), parse_errors::kIfOpenParen);
  EXPECT_EQ(parseError("if (x > 1 { }"), parse_errors::kIfCloseParen);
  EXPECT_EQ(parseError("if (x"), parse_errors::kIfCloseParen);
  EXPECT_EQ(parseError("if () { }"), parse_errors::unexpectedToken(Token::make(TokenKind::closeParen)));
  EXPECT_EQ(parseError("if (x)"), parse_errors::kBlockNotClosed);
  // no else-if: the if stands where the block's brace should be
  EXPECT_EQ(parseError("if (a) { } else if (c) { }"),
            parse_errors::unexpectedToken(Token::make(TokenKind::openParen)));
  EXPECT_EQ(parseError("if (a) { };"), parse_errors::unexpectedToken(Token::make(TokenKind::semicolon)));
}

TEST(ParserWhile, ConditionAndBody) {
  expectAll({
      {"while (i < 10) { i = i + 1; }", "(while (< i 10) (block (= i (+ i 1))))"},
      {"while (true) { }", "(while true (block))"},
  });
  EXPECT_EQ(parseError("while i < 10 { }"), parse_errors::kWhileOpenParen);
  EXPECT_EQ(parseError("while (i < 10 { }"), parse_errors::kWhileCloseParen);
  EXPECT_EQ(parseError("while (a) { };"), parse_errors::unexpectedToken(Token::make(TokenKind::semicolon)));
  EXPECT_EQ(parseError("while (a)"), parse_errors::kBlockNotClosed);
}

TEST(ParserAsync, BodyIsABlock) {
  EXPECT_EQ(parsed("async { [self wait:1]; }"), "(async (block [self wait: 1]))");
  EXPECT_EQ(parseError("async"), parse_errors::kBlockNotClosed);
  EXPECT_EQ(parseError("async { };"), parse_errors::unexpectedToken(Token::make(TokenKind::semicolon)));
}

TEST(ParserMethods, DeclarationForms) {
  expectAll({
      {"- (void) riff { [tb303 play]; }", "(method riff (block [tb303 play]))"},
      {"- (void) outer { - (void) inner { } [self inner]; }",
       "(method outer (block (method inner (block)) [self inner]))"},
      {"{ - (void) m { } }", "(block (method m (block)))"},
  });
}

TEST(ParserMethods, MalformedDeclarations) {
  struct Bad {
    const char* source;
    std::string message;
  };
  const Bad cases[] = {
      {"-1;", std::string(parse_errors::kMethodOpenParen)},
      {"- x;", std::string(parse_errors::kMethodOpenParen)},
      {"- (int) name { }", std::string(parse_errors::kMethodVoid)},
      {"- (name) { }", std::string(parse_errors::kMethodVoid)},
      {"- ()", std::string(parse_errors::kMethodVoid)},
      {"- (void name { }", std::string(parse_errors::kMethodCloseParen)},
      {"- (void) { }", std::string(parse_errors::kMethodName)},
      {"- (void) 1 { }", std::string(parse_errors::kMethodName)},
      {"- (void) name() { }", parse_errors::unexpectedToken(Token::make(TokenKind::closeParen))},
      {"void name() { }", parse_errors::unexpectedToken(Token::keyword("void"))},
      {"- (void) name { };", parse_errors::unexpectedToken(Token::make(TokenKind::semicolon))},
      {"- (void) name", std::string(parse_errors::kBlockNotClosed)},
  };
  for (const Bad& c : cases) EXPECT_EQ(parseError(c.source), c.message) << c.source;
}

TEST(ParserBlocks, OpeningTokenIsSteppedOverUnread) {
  expectAll({
      {"{ }", "(block)"},
      {"{ { x; } }", "(block (block x))"},
      {"async x [a b]; }", "(async (block [a b]))"},
      {"- (void) m ( [a b]; }", "(method m (block [a b]))"},
      {"if (a) ; x; } else 1 }", "(if a (block x) (block))"},
      {"while (a) } }", "(while a (block))"},
  });
}

TEST(ParserBlocks, UnclosedAndStrayBraces) {
  EXPECT_EQ(parseError("{ [tb303 play];"), parse_errors::kBlockNotClosed);
  EXPECT_EQ(parseError("{ { }"), parse_errors::kBlockNotClosed);
  EXPECT_EQ(parseError("}"), parse_errors::unexpectedToken(Token::make(TokenKind::closeBrace)));
  EXPECT_EQ(parseError(";"), parse_errors::unexpectedToken(Token::make(TokenKind::semicolon)));
  EXPECT_EQ(parseError("else { }"), parse_errors::unexpectedToken(Token::keyword("else")));
}

TEST(ParserStatements, MissingSemicolonQuotesTheCurrentToken) {
  EXPECT_EQ(parseError("[tb303 play]"),
            "Parsing error: semicolon is missing at the end of the sentence. (current token: eof)");
  EXPECT_EQ(parseError("[tb303 play] [tb303 release];"),
            "Parsing error: semicolon is missing at the end of the sentence. (current token: openBracket)");
  EXPECT_EQ(parseError("x = 1 y = 2;"), parse_errors::semicolonMissing(Token::identifier("y")));
  EXPECT_EQ(parseError("int x = 1 else"), parse_errors::semicolonMissing(Token::keyword("else")));
  EXPECT_EQ(parseError("x = 1 110.0;"), parse_errors::semicolonMissing(Token::floatNumber(110.0f)));
  EXPECT_EQ(parseError("x = \"a\" \"b\";"), parse_errors::semicolonMissing(Token::stringLiteral("b")));
}

TEST(ParserStatements, FirstErrorWins) {
  // the parse stops at the first fault; later ones are never reported
  EXPECT_EQ(parseError("x = 1 int y; [1 play];"), parse_errors::semicolonMissing(Token::keyword("int")));
  EXPECT_EQ(parseError("[1 play]; x"), parse_errors::kReceiverName);
}

// Token lists made by hand: the cursor reads eof past the end and ignores
// everything after an eof token.
TEST(ParserCursor, EndOfListActsAsEof) {
  using K = TokenKind;
  {
    ParseResult result = Parser({Token::identifier("x"), Token::make(K::semicolon)}).parse();
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(printProgram(*result.program), "x");
  }
  EXPECT_TRUE(Parser({}).parse().ok());
  EXPECT_EQ(Parser({Token::identifier("x")}).parse().error, parse_errors::semicolonMissing(Token::make(K::eof)));
  EXPECT_EQ(Parser({Token::make(K::openBrace)}).parse().error, parse_errors::kBlockNotClosed);
  EXPECT_EQ(Parser({Token::identifier("x"), Token::make(K::assign)}).parse().error,
            parse_errors::unexpectedToken(Token::make(K::eof)));
}

TEST(ParserCursor, TokensAfterEofAreIgnored) {
  using K = TokenKind;
  ParseResult result = Parser({Token::identifier("a"), Token::make(K::semicolon), Token::make(K::eof),
                               Token::make(K::closeBrace), Token::make(K::plus)})
                           .parse();
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(printProgram(*result.program), "a");
  // inside a block an eof token ends the input just the same
  EXPECT_EQ(Parser({Token::make(K::openBrace), Token::make(K::eof), Token::make(K::closeBrace)}).parse().error,
            parse_errors::kBlockNotClosed);
}

TEST(ParserTree, OperatorTokensAndCopies) {
  ParseResult result = compile("x = - a * b; if (c) { }");
  ASSERT_TRUE(result.ok());
  const auto* assignment = result.program->statements[0]->as<AssignmentNode>();
  ASSERT_NE(assignment, nullptr);
  const auto* product = assignment->value->as<BinaryOpNode>();
  ASSERT_NE(product, nullptr);
  EXPECT_EQ(product->operatorToken.kind, TokenKind::star);
  ASSERT_TRUE(product->left->is<UnaryOpNode>());
  EXPECT_EQ(product->left->as<UnaryOpNode>()->operatorToken.kind, TokenKind::minus);
  EXPECT_FALSE(result.program->statements[1]->as<IfNode>()->elseBranch.has_value());

  // a dropped copy leaves the first tree intact
  { ProgramNode copy = *result.program; }
  EXPECT_EQ(printProgram(*result.program), "(= x (* (- a) b)) (if c (block))");
}

}  // namespace
}  // namespace quarn
