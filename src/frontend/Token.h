// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A lexical token: 32 kinds, six of which carry a value. Plain value type.

#include <cstdint>
#include <string>
#include <string_view>

namespace quarn {

enum class TokenKind : std::uint8_t {
  keyword, identifier, intNumber, floatNumber, stringLiteral, boolean,
  openBracket, closeBracket, colon, semicolon, eof,
  plus, minus, star, slash, modulo,
  equalEqual, notEqual, lessThan, greaterThan, lessEqual, greaterEqual,
  logicalAnd, logicalOr, logicalNot,
  openParen, closeParen, openBrace, closeBrace, comma, atSign, assign,
};

inline constexpr int kTokenKindCount = 32;

// The case name as the text form writes it ("openBracket", "eof").
std::string_view tokenKindName(TokenKind kind);

struct Token {
  TokenKind kind = TokenKind::eof;
  // keyword, identifier (both NFC-normalised when made) and stringLiteral (as written).
  std::string text;
  std::int64_t intValue = 0;
  float floatValue = 0.0f;
  bool boolValue = false;
  // Where the token stands in the lexed text (bytes); not part of its value.
  std::uint32_t offset = 0;
  std::uint32_t length = 0;

  static Token make(TokenKind kind) { return Token{kind, {}, 0, 0.0f, false}; }
  static Token keyword(std::string text) { return Token{TokenKind::keyword, std::move(text), 0, 0.0f, false}; }
  static Token identifier(std::string text) { return Token{TokenKind::identifier, std::move(text), 0, 0.0f, false}; }
  static Token stringLiteral(std::string text) { return Token{TokenKind::stringLiteral, std::move(text), 0, 0.0f, false}; }
  static Token intNumber(std::int64_t v) { return Token{TokenKind::intNumber, {}, v, 0.0f, false}; }
  static Token floatNumber(float v) { return Token{TokenKind::floatNumber, {}, 0, v, false}; }
  static Token boolean(bool v) { return Token{TokenKind::boolean, {}, 0, 0.0f, v}; }

  bool is(TokenKind k) const { return kind == k; }
  bool isKeyword(std::string_view word) const { return kind == TokenKind::keyword && text == word; }
};

// Same kind and equal values: texts by canonical equivalence, floats as IEEE
// (NaN equals nothing, 0.0 equals -0.0).
bool operator==(const Token& a, const Token& b);

// The text form quoted by parse errors: identifier("x"), floatNumber(110.0), eof.
std::string toString(const Token& token);

}  // namespace quarn
