#pragma once
// Recursive-descent parser from tokens to a ProgramNode. Stops at the first error
// with a message beginning "Parsing error: "; the error travels back as a value.
// Used on one thread; a parser is made for one token list and used once.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frontend/Ast.h"
#include "frontend/Token.h"

namespace quarn {

// Deepest syntax tree a script may build (nested blocks, prefix chains, operator
// chains, nested arrays and sends). Deeper scripts fail to parse, so no later
// walk of the tree can overflow the stack.
inline constexpr int kMaxSyntaxDepth = 1000;

struct ParseResult {
  std::optional<ProgramNode> program;  // set on success
  std::string error;                   // the "Parsing error: ..." message otherwise

  bool ok() const { return program.has_value(); }
};

class Parser {
public:
  explicit Parser(std::vector<Token> tokens);

  ParseResult parse();

private:
  // The cursor and the readers live in Parser.cpp / ParserExpressions.cpp.
  struct Impl;
  std::vector<Token> tokens_;
  std::int64_t position_ = 0;
};

// Lexes and parses a whole script text.
ParseResult compile(std::string_view source);

}  // namespace quarn
