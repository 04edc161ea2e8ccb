// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/Token.h"

#include <array>
#include <cstdio>

#include "frontend/UnicodeText.h"
#include "support/FloatFormat.h"

namespace quarn {
namespace {

constexpr std::array<std::string_view, kTokenKindCount> kKindNames = {
    "keyword",      "identifier",   "intNumber",   "floatNumber", "stringLiteral",
    "boolean",      "openBracket",  "closeBracket", "colon",      "semicolon",
    "eof",          "plus",         "minus",       "star",        "slash",
    "modulo",       "equalEqual",   "notEqual",    "lessThan",    "greaterThan",
    "lessEqual",    "greaterEqual", "logicalAnd",  "logicalOr",   "logicalNot",
    "openParen",    "closeParen",   "openBrace",   "closeBrace",  "comma",
    "atSign",       "assign",
};

bool hasText(TokenKind kind) {
  return kind == TokenKind::keyword || kind == TokenKind::identifier ||
         kind == TokenKind::stringLiteral;
}

// A text value between double quotes; other control characters as \u{..}.
std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    switch (ch) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default:
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) {
          char escaped[12];
          std::snprintf(escaped, sizeof escaped, "\\u{%X}", static_cast<unsigned>(ch));
          out += escaped;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}

std::string valueText(const Token& token) {
  switch (token.kind) {
    case TokenKind::intNumber: return std::to_string(token.intValue);
    case TokenKind::floatNumber: return formatFloat(token.floatValue);
    case TokenKind::boolean: return token.boolValue ? "true" : "false";
    default: return quoted(token.text);
  }
}

}  // namespace

std::string_view tokenKindName(TokenKind kind) {
  const auto index = static_cast<std::size_t>(kind);
  return index < kKindNames.size() ? kKindNames[index] : std::string_view("unknown");
}

bool operator==(const Token& a, const Token& b) {
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case TokenKind::intNumber: return a.intValue == b.intValue;
    case TokenKind::floatNumber: return a.floatValue == b.floatValue;
    case TokenKind::boolean: return a.boolValue == b.boolValue;
    default: return !hasText(a.kind) || canonicallyEqual(a.text, b.text);
  }
}

std::string toString(const Token& token) {
  std::string out(tokenKindName(token.kind));
  if (static_cast<int>(token.kind) <= static_cast<int>(TokenKind::boolean)) {
    out += '(';
    out += valueText(token);
    out += ')';
  }
  return out;
}

}  // namespace quarn
