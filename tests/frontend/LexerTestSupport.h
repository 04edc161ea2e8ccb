#pragma once
// Test helpers for the lexer: readable failure output and short token lists.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/Lexer.h"
#include "frontend/Token.h"

namespace quarn {

// gtest prints tokens in their text form.
inline void PrintTo(const Token& token, std::ostream* os) { *os << toString(token); }

namespace testing {

inline Token tok(TokenKind kind) { return Token::make(kind); }
inline Token id(std::string text) { return Token::identifier(std::move(text)); }
inline Token kw(std::string text) { return Token::keyword(std::move(text)); }
inline Token str(std::string text) { return Token::stringLiteral(std::move(text)); }
inline Token num(std::int64_t value) { return Token::intNumber(value); }
inline Token flt(float value) { return Token::floatNumber(value); }

// The expected tokens followed by the eof every list ends with.
inline std::vector<Token> withEof(std::vector<Token> tokens) {
  tokens.push_back(Token::make(TokenKind::eof));
  return tokens;
}

// The text forms joined by spaces: one string to compare, bytes and all.
inline std::string textForms(const std::vector<Token>& tokens) {
  std::string out;
  for (const Token& token : tokens) {
    if (!out.empty()) out += ' ';
    out += toString(token);
  }
  return out;
}

struct LexCase {
  std::string text;
  std::vector<Token> expected;  // without the final eof
};

inline void expectCases(const std::vector<LexCase>& cases) {
  for (const LexCase& c : cases) {
    SCOPED_TRACE("text: " + c.text);
    EXPECT_EQ(tokenize(c.text), withEof(c.expected));
  }
}

}  // namespace testing
}  // namespace quarn
