#pragma once
// Turns a script text into tokens. Never fails: characters without a rule are
// dropped and the list always ends with exactly one eof.
// Used on one thread; a lexer is made for one text and used once.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/Token.h"

namespace quarn {

class Lexer {
public:
  // text is UTF-8; invalid bytes are read as U+FFFD (which no rule uses).
  explicit Lexer(std::string_view text);

  std::vector<Token> tokenize();

private:
  // Byte offsets of the grapheme clusters ("characters") of the text; the
  // character i spans [bounds_[i], bounds_[i + 1]).
  std::string input_;
  std::vector<std::uint32_t> bounds_;
  std::int64_t position_ = 0;
};

// Shorthand for Lexer(text).tokenize().
std::vector<Token> tokenize(std::string_view text);

}  // namespace quarn
