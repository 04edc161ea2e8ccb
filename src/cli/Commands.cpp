// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Commands.h"

#include <iostream>

#include "frontend/Lexer.h"
#include "frontend/Parser.h"

namespace quarn {

// Written a piece at a time, so a large script's listing is never all in memory.
int tokensCommand(std::string_view source, std::ostream& out) {
  constexpr std::size_t kPieceBytes = 64 * 1024;
  std::string text;
  Lexer lexer(source);
  Token token;
  do {
    lexer.next(token);
    text += toString(token);
    text += '\n';
    if (text.size() >= kPieceBytes || token.is(TokenKind::eof)) {
      out << text;
      text.clear();
    }
  } while (!token.is(TokenKind::eof));
  out << std::flush;
  return 0;
}

int checkCommand(std::string_view source, std::ostream& err) {
  ParseResult result = checkSyntax(source);
  if (result.ok()) return 0;
  err << result.error << "\n" << std::flush;
  return 1;
}

}  // namespace quarn
