// SPDX-License-Identifier: GPL-3.0-or-later
// A whole script text through the lexer and the parser.

#include "frontend/Parser.h"
#include "frontend/UnicodeText.h"

namespace quarn {

namespace {

ParseResult parseText(std::string_view source, ParseOutput output) {
  ParseResult result = Parser(source, output).parse();
  if (!result.ok()) {
    const SourceLocation& at = result.errorLocation;
    result.errorLocation = isAscii(source) ? locate(source, at.offset, at.length)
                                           : locate(toValidUtf8(source), at.offset, at.length);
  }
  return result;
}

}  // namespace

ParseResult parseScript(std::string_view source) { return parseText(source, ParseOutput::tree); }

ParseResult checkSyntax(std::string_view source) { return parseText(source, ParseOutput::verdictOnly); }

}  // namespace quarn
