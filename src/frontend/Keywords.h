// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The keyword list, in its order, each marked when it names a declaration's
// type: the lexer, the parser and the editor's completion all read it here.

#include <string_view>

#include "frontend/Token.h"

namespace quarn {

struct Keyword {
  std::string_view word;
  bool isType;
};

inline constexpr Keyword kKeywords[] = {
    {"const", false}, {"int", true},    {"float", true}, {"string", true}, {"bool", true},  {"if", false},
    {"else", false},  {"while", false}, {"array", true}, {"void", false},  {"async", false},
};

// int, float, string, bool or array.
inline bool isTypeKeyword(const Token& token) {
  if (token.kind != TokenKind::keyword) return false;
  for (const Keyword& keyword : kKeywords) {
    if (keyword.isType && keyword.word == token.text) return true;
  }
  return false;
}

}  // namespace quarn
