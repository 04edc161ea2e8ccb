// Any bytes through the lexer and the parser: no crash, no undefined behaviour,
// no leak, and the ASCII fast path gives exactly the tokens ICU alone gives.
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

[[noreturn]] void mismatch(std::size_t index, const std::vector<quarn::Token>& fast,
                           const std::vector<quarn::Token>& slow) {
  auto describe = [](const std::vector<quarn::Token>& tokens, std::size_t i) {
    if (i >= tokens.size()) return std::string("(none)");
    return quarn::toString(tokens[i]) + " at " + std::to_string(tokens[i].offset) + "+" +
           std::to_string(tokens[i].length);
  };
  std::fprintf(stderr, "token %zu differs: fast path %s, ICU only %s\n", index, describe(fast, index).c_str(),
               describe(slow, index).c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<quarn::Token> fast = quarn::tokenize(text);
  const std::vector<quarn::Token> slow = quarn::tokenizeWithoutFastPath(text);
  for (std::size_t i = 0; i < fast.size() || i < slow.size(); ++i) {
    if (i >= fast.size() || i >= slow.size() || !sameToken(fast[i], slow[i])) mismatch(i, fast, slow);
  }
  const quarn::ParseResult result = quarn::Parser(fast).parse();
  if (result.ok() == (result.error.rfind("Parsing error: ", 0) == 0)) {
    std::fprintf(stderr, "parse result and error disagree: \"%s\"\n", result.error.c_str());
    std::abort();
  }
  return 0;
}
