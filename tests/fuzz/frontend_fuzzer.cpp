// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes through the lexer and the parser: no crash, no undefined behaviour,
// no leak, the ASCII fast path gives exactly the tokens ICU alone gives, and
// a check without the tree gives compile's verdict.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/Lexer.h"
#include "frontend/LexerInternal.h"
#include "frontend/Parser.h"

namespace {

bool sameToken(const quarn::Token& a, const quarn::Token& b) {
  return a == b && quarn::toString(a) == quarn::toString(b) && a.offset == b.offset && a.length == b.length;
}

std::string describe(const std::vector<quarn::Token>& tokens, std::vector<quarn::Token>::const_iterator at) {
  if (at == tokens.end()) return "(none)";
  return quarn::toString(*at) + " at " + std::to_string(at->offset) + "+" + std::to_string(at->length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<quarn::Token> fast = quarn::tokenize(text);
  const std::vector<quarn::Token> slow = quarn::tokenizeWithoutFastPath(text);
  const auto [f, s] = std::mismatch(fast.begin(), fast.end(), slow.begin(), slow.end(), sameToken);
  if (f != fast.end() || s != slow.end()) {
    std::fprintf(stderr, "token %td differs: fast path %s, ICU only %s\n", f - fast.begin(),
                 describe(fast, f).c_str(), describe(slow, s).c_str());
    std::abort();
  }
  const quarn::ParseResult result = quarn::parseScript(text);
  if (result.ok() == (result.error.rfind("Parsing error: ", 0) == 0)) {
    std::fprintf(stderr, "parse result and error disagree: \"%s\"\n", result.error.c_str());
    std::abort();
  }
  const quarn::ParseResult checked = quarn::checkSyntax(text);
  if (checked.error != result.error || checked.errorLocation.offset != result.errorLocation.offset) {
    std::fprintf(stderr, "check says \"%s\", compile \"%s\"\n", checked.error.c_str(), result.error.c_str());
    std::abort();
  }
  return 0;
}
