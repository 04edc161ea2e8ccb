// The compile step: the whole script text through the lexer and the parser.

#include "frontend/Lexer.h"
#include "frontend/Parser.h"

namespace quarn {

ParseResult compile(std::string_view source) { return Parser(tokenize(source)).parse(); }

}  // namespace quarn
