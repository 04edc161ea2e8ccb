// SPDX-License-Identifier: GPL-3.0-or-later
// Tree shapes, which error a parse picks, and kept subtrees outliving their program.
#include <array>
#include <thread>

#include "FrontendTestSupport.h"
#include "frontend/NodeArena.h"
#include "frontend/ParseErrors.h"

namespace quarn::testing {
namespace {

using K = TokenKind;

void expectParsed(std::initializer_list<std::pair<const char*, std::string>> cases) {
  for (const auto& [source, expected] : cases) EXPECT_EQ(parsed(source), expected) << "source: " << source;
}

TEST(ParserExpressions, PrecedenceAssociativityPrefixesArraysAndSends) {
  expectParsed({
      {"1 + 2 * 3; 1 * 2 + 3;", "(+ 1 (* 2 3)) (+ (* 1 2) 3)"},
      {"a || b && c; a && b || c;", "(|| a (&& b c)) (|| (&& a b) c)"},
      {"a < b == c < d; a != b >= c;", "(== (< a b) (< c d)) (!= a (>= b c))"},
      {"a <= b + c % d; a > b / c - d;", "(<= a (+ b (% c d))) (> a (- (/ b c) d))"},
      {"10 - 4 - 3; a / b * c % d;", "(- (- 10 4) 3) (% (* (/ a b) c) d)"},
      {"a == b != c; a < b > c <= d >= e;", "(!= (== a b) c) (>= (<= (> (< a b) c) d) e)"},
      {"a && b && c; a || b || c;", "(&& (&& a b) c) (|| (|| a b) c)"},
      {"x = - a * b; ! a && b;", "(= x (* (- a) b)) (&& (! a) b)"},
      {"a * - b; a - - b; x = - ! - 1;", "(* a (- b)) (- a (- b)) (= x (- (! (- 1))))"},
      {"!!!a || b; x = -[a b] * 2;", "(|| (! (! (! a))) b) (= x (* (- [a b]) 2))"},
      {"x = @[]; x = @[1] + @[2];", "(= x (@)) (= x (+ (@ 1) (@ 2)))"},
      {"x = @[1 + 2, -a, \"s\", [a b], @[], @[@[true]]];", "(= x (@ (+ 1 2) (- a) \"s\" [a b] (@) (@ (@ true))))"},
      {"[tb303 setFrequency:110.0]; [tb303 play];", "[tb303 setFrequency: 110.0] [tb303 play]"},
      {"[a b:[c d]]; [a b:1 + 2 * x]; [a b:@[1, 2]];", "[a b: [c d]] [a b: (+ 1 (* 2 x))] [a b: (@ 1 2)]"},
      {"x = [a b] + [c d:1];", "(= x (+ [a b] [c d: 1]))"},
  });
}

// Trees, and which fault a script with two of them is told about.
TEST(ParserStatements, NodeFieldsAndErrorChoices) {
  namespace e = parse_errors;
  expectParsed({
      {"const while w = 1; float f = [self wait:1] * 2;", "(const while w 1) (decl float f (* [self wait: 1] 2))"},
      {"if (a && b) { [t play]; } else { x = 1; y; }", "(if (&& a b) (block [t play]) (block (= x 1) y))"},
      {"if (a) { if (b) { } } while (i) { i = -i; }", "(if a (block (if b (block)))) (while i (block (= i (- i))))"},
      {"async { [self wait:1]; } { { x; } }", "(async (block [self wait: 1])) (block (block x))"},
      {"- (void) m { - (void) n { } [self n]; }", "(method m (block (method n (block)) [self n]))"},
      // the token that opens a block is stepped over unread
      {"async x [a b]; } - (void) m ( [a b]; }", "(async (block [a b])) (method m (block [a b]))"},
      {"if (a) ; x; } else 1 } while (a) } }", "(if a (block x) (block)) (while a (block))"},
      {" // only a comment\n", ""},
      {"a = b = c;", e::semicolonMissing(tok(K::assign))},  // no operator ends the expression
      {"x = 1 int y; [1 play];", e::semicolonMissing(Token::keyword("int"))},  // the first fault wins
  });
}

TEST(ParserNodeMemory, KeptSubtreesOutliveTheProgramOnAnyThread) {
  NodePtr body, call;
  std::vector<std::thread> threads;
  {
    ParseResult result = parseScript("int x = 1; - (void) riff { [tb303 setFrequency:110.0 * x]; } async { [self riff]; }");
    ASSERT_TRUE(result.ok());
    body = result.program->statements[1];
    call = result.program->statements[2]->as<AsyncNode>()->body.statements[0];
    { ProgramNode copy = *result.program; }  // a dropped copy leaves the tree intact
    for (NodePtr kept : result.program->statements) threads.emplace_back([kept] { EXPECT_FALSE(sexp(kept).empty()); });
  }
  EXPECT_EQ(sexp(body), "(method riff (block [tb303 setFrequency: (* 110.0 x)]))");
  body.reset();
  EXPECT_EQ(sexp(call), "[self riff]");
  for (std::thread& thread : threads) thread.join();
}

TEST(ParserNodeMemory, ArenaServesLargeAndAlignedRequests) {
  NodeArena::Owner arena = NodeArena::create();
  for (auto [bytes, alignment] : {std::pair{24, 8}, {200 * 1024, 16}, {8, 64}}) {
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(arena->allocate(bytes, alignment)) % alignment, 0u);
    arena->release();  // one reference per allocation
  }
}

// The token a parse error names: byte offset and length, line, column in characters.
TEST(ParserErrors, LocationOfTheTokenNamed) {
  const std::pair<const char*, std::array<std::uint32_t, 4>> cases[] = {
      {"int a = 1;\n  int b = 2\nint c = 3;", {23, 3, 3, 1}},
      {"[tb303 play]", {12, 0, 1, 13}},                 // eof after the last token
      {"x = \"runs to the end;\n", {22, 0, 2, 1}},      // the string runs to the end
      {"é = 1;\r\n\té = = 2;", {15, 1, 2, 6}},          // é is one character, tab one
      {"a = 1;\n\n  )", {10, 1, 3, 3}},
      {"s = \"e\xCC\x81\xCC\x81\" 1;", {12, 1, 1, 9}},  // combining marks stay with their letter
  };
  for (const auto& [source, expected] : cases) {
    const SourceLocation at = compiled(source).errorLocation;
    EXPECT_EQ((std::array{at.offset, at.length, at.line, at.column}), expected) << source;
  }
}

}  // namespace
}  // namespace quarn::testing
