// The compile step: the whole script text through the lexer and the parser.

#include "frontend/Lexer.h"
#include "frontend/Parser.h"
#include "frontend/UnicodeText.h"

namespace quarn {

ParseResult compile(std::string_view source) {
  ParseResult result = Parser(tokenize(source)).parse();
  if (!result.ok()) {
    const SourceLocation& at = result.errorLocation;
    result.errorLocation = isAscii(source) ? locate(source, at.offset, at.length)
                                           : locate(toValidUtf8(source), at.offset, at.length);
  }
  return result;
}

}  // namespace quarn
