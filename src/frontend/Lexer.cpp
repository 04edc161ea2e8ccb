// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/Lexer.h"

#include <cstring>

#include "frontend/Keywords.h"
#include "frontend/LexerInternal.h"
#include "frontend/UnicodeText.h"

namespace quarn {
namespace {

bool isKeyword(std::string_view word) {
  if (word.size() < 2 || word.size() > 6) return false;  // the keywords' lengths
  for (const Keyword& keyword : kKeywords) {
    if (keyword.word == word) return true;
  }
  return false;
}

// Dense scripts run at about one token per three to four bytes; reserving that
// many spares the token list its reallocations (untouched capacity costs no pages).
constexpr std::size_t kBytesPerTokenGuess = 3;

bool isCrLf(std::string_view text, std::size_t at, std::size_t end) {
  return end - at == 2 && text[at] == '\r' && text[at + 1] == '\n';
}

}  // namespace

Lexer::Lexer(std::string_view text) : Lexer(text, true) {}

Lexer::Lexer(std::string_view text, bool asciiFastPath)
    : repaired_(isValidUtf8(text) ? std::string() : toValidUtf8(text)),
      input_(repaired_.empty() ? text : std::string_view(repaired_)),
      segmenter_(asciiFastPath),
      asciiFastPath_(asciiFastPath),
      asciiClasses_(asciiFastPath ? asciiClassTable() : nullptr) {}

void Lexer::next(Token& token) {
  out_ = &token;
  while (position_ < input_.size()) {
    made_ = false;
    const std::size_t start = position_;
    position_ = lexCharacter(start);
    if (made_) {  // a rule makes at most one token, starting where it began
      token.offset = static_cast<std::uint32_t>(start);
      token.length = static_cast<std::uint32_t>(position_ - start);
      return;
    }
  }
  make(TokenKind::eof);
  token.offset = static_cast<std::uint32_t>(input_.size());
  token.length = 0;
}

std::vector<Token> Lexer::tokenize() {
  std::vector<Token> tokens;
  tokens.reserve((input_.size() - position_) / kBytesPerTokenGuess + 1);
  do {
    next(tokens.emplace_back());
  } while (!tokens.back().is(TokenKind::eof));
  return tokens;
}

void Lexer::make(TokenKind kind) {
  Token& token = *out_;
  token.kind = kind;
  token.text.clear();  // keeps its memory for the next text
  token.intValue = 0;
  token.floatValue = 0.0f;
  token.boolValue = false;
  made_ = true;
}

void Lexer::makeText(TokenKind kind, std::string_view text) {
  make(kind);
  out_->text.assign(text);
}

// word -> keyword | "true" | "false" | identifier, on the NFC text.
void Lexer::makeWord(std::string_view word) {
  if (isAscii(word)) return makeWordOfNfc(word);  // ASCII is its own NFC
  makeWordOfNfc(toNfc(word));
}

void Lexer::makeWordOfNfc(std::string_view word) {
  if (isKeyword(word)) return makeText(TokenKind::keyword, word);
  if (word == "true" || word == "false") {
    make(TokenKind::boolean);
    out_->boolValue = word == "true";
    return;
  }
  makeText(TokenKind::identifier, word);
}

// Over a run of ASCII bytes of the given classes (or the extra mark) up to its
// last byte, which the rule's own loop then takes: every byte before it is
// followed by another ASCII byte and so is a character by itself, while the
// last may be joined by a combining mark. CR ends the run: with LF it makes
// one character.
std::size_t Lexer::skipAsciiRun(std::size_t from, std::uint8_t classes, char mark) const {
  if (asciiClasses_ == nullptr) return from;
  std::size_t at = from;
  for (; at < input_.size(); ++at) {
    const auto c = static_cast<unsigned char>(input_[at]);
    if (c >= 0x80 || c == '\r' || (!(asciiClasses_[c] & classes) && c != static_cast<unsigned char>(mark))) break;
  }
  return at > from ? at - 1 : from;
}

// The whole character is the mark: a mark carrying a combining mark is not.
bool Lexer::isMark(std::size_t at, std::size_t end, char mark) const {
  return end - at == 1 && input_[at] == mark;
}

// One pass of the main loop: the first rule that matches the character at `at`.
std::size_t Lexer::lexCharacter(std::size_t at) {
  const std::size_t end = characterEnd(at);
  const std::uint8_t classes = classesAt(at);
  if (classes & kWhitespaceClass) return skipWhitespace(end);
  if (isMark(at, end, '"')) return lexString(end);
  if (classes & kLetterClass) return lexWord(at, end);
  if (classes & kNumberClass) return lexNumber(at, end);
  if (end - at == 1) return lexPunctuation(at, end);
  return end;  // no rule: the character is dropped
}

std::size_t Lexer::skipWhitespace(std::size_t end) {
  std::size_t at = skipAsciiRun(end, kWhitespaceClass, ' ');
  while (at < input_.size() && (classesAt(at) & kWhitespaceClass)) at = characterEnd(at);
  return at;
}

// string -> '"' { any character but '"' } ( '"' | end of text ), no escapes
std::size_t Lexer::lexString(std::size_t end) {
  const std::size_t close = asciiFastPath_ ? findClosingQuote(end) : findClosingQuoteByCharacters(end);
  makeText(TokenKind::stringLiteral, input_.substr(end, close - end));
  return close < input_.size() ? close + 1 : close;
}

// The first '"' that is a character by itself, or the end of the text.
std::size_t Lexer::findClosingQuoteByCharacters(std::size_t from) {
  for (std::size_t at = from; at < input_.size();) {
    const std::size_t next = characterEnd(at);
    if (isMark(at, next, '"')) return at;
    at = next;
  }
  return input_.size();
}

// The same without walking every character: a '"' byte found by memchr is
// the closing mark when no neighbour joins it, which the break properties of
// its two neighbours decide.
std::size_t Lexer::findClosingQuote(std::size_t from) {
  for (std::size_t at = from; at < input_.size(); ++at) {
    const void* found = std::memchr(input_.data() + at, '"', input_.size() - at);
    if (found == nullptr) break;
    at = static_cast<std::size_t>(static_cast<const char*>(found) - input_.data());
    if (isLoneAsciiCharacter(input_, at)) return at;
  }
  return input_.size();
}

// word -> letter { letter | number | "_" }
std::size_t Lexer::lexWord(std::size_t at, std::size_t end) {
  std::size_t last = skipAsciiRun(end, kLetterClass | kNumberClass, '_');
  while (last < input_.size()) {
    const std::size_t next = characterEnd(last);
    const bool continues =
        (classesAt(last) & (kLetterClass | kNumberClass)) || isMark(last, next, '_');
    if (!continues) break;
    last = next;
  }
  makeWord(input_.substr(at, last - at));
  return last;
}

// number -> number { number | "." }
std::size_t Lexer::lexNumber(std::size_t at, std::size_t end) {
  std::size_t last = skipAsciiRun(end, kNumberClass, '.');
  bool hasPoint = std::memchr(input_.data() + end, '.', last - end) != nullptr;
  while (last < input_.size()) {
    const std::size_t next = characterEnd(last);
    if (isMark(last, next, '.')) {
      hasPoint = true;
    } else if (!(classesAt(last) & kNumberClass)) {
      break;
    }
    last = next;
  }
  *out_ = numberToken(input_.substr(at, last - at), hasPoint);
  made_ = true;
  return last;
}

std::size_t Lexer::lexPunctuation(std::size_t at, std::size_t end) {
  // The character after c is exactly `mark`: then it is consumed too.
  const auto follows = [&](char mark) {
    return end < input_.size() && isMark(end, characterEnd(end), mark);
  };
  // c alone, or with a following '=' as the two-character operator.
  const auto withEqual = [&](TokenKind alone, TokenKind paired) {
    const bool pair = follows('=');
    make(pair ? paired : alone);
    return pair ? end + 1 : end;
  };
  // "&&" and "||"; a single one is dropped.
  const auto doubled = [&](char mark, TokenKind paired) {
    if (!follows(mark)) return end;
    make(paired);
    return end + 1;
  };
  const auto single = [&](TokenKind kind) {
    make(kind);
    return end;
  };
  switch (input_[at]) {
    case '[': return single(TokenKind::openBracket);
    case ']': return single(TokenKind::closeBracket);
    case ':': return single(TokenKind::colon);
    case ';': return single(TokenKind::semicolon);
    case '+': return single(TokenKind::plus);
    case '-': return single(TokenKind::minus);
    case '*': return single(TokenKind::star);
    case '%': return single(TokenKind::modulo);
    case '(': return single(TokenKind::openParen);
    case ')': return single(TokenKind::closeParen);
    case '{': return single(TokenKind::openBrace);
    case '}': return single(TokenKind::closeBrace);
    case ',': return single(TokenKind::comma);
    case '@': return single(TokenKind::atSign);
    case '/': return lexSlash(end);
    case '=': return withEqual(TokenKind::assign, TokenKind::equalEqual);
    case '!': return withEqual(TokenKind::logicalNot, TokenKind::notEqual);
    case '<': return withEqual(TokenKind::lessThan, TokenKind::lessEqual);
    case '>': return withEqual(TokenKind::greaterThan, TokenKind::greaterEqual);
    case '&': return doubled('&', TokenKind::logicalAnd);
    case '|': return doubled('|', TokenKind::logicalOr);
    default: return end;  // no rule: dropped
  }
}

// "/" starts a line comment, a block comment or is the slash operator.
std::size_t Lexer::lexSlash(std::size_t end) {
  if (end < input_.size()) {
    const std::size_t next = characterEnd(end);
    if (isMark(end, next, '/')) return skipLineComment(next);
    if (isMark(end, next, '*')) return skipBlockComment(end);
  }
  make(TokenKind::slash);
  return end;
}

// Up to, not including, the next line feed or CR LF character, which the
// whitespace rule then skips.
std::size_t Lexer::skipLineComment(std::size_t from) {
  if (asciiFastPath_) {
    // A line feed byte always starts a character, or ends the CR LF one.
    const void* found = std::memchr(input_.data() + from, '\n', input_.size() - from);
    if (found == nullptr) return input_.size();
    const auto lineFeed = static_cast<std::size_t>(static_cast<const char*>(found) - input_.data());
    return (lineFeed > from && input_[lineFeed - 1] == '\r') ? lineFeed - 1 : lineFeed;
  }
  std::size_t at = from;
  while (at < input_.size()) {
    const std::size_t next = characterEnd(at);
    if (isMark(at, next, '\n') || isCrLf(input_, at, next)) return at;
    at = next;
  }
  return at;
}

// Through the first "*/" found from the opening star on, or to the end. With
// the fast path the pair is found by memmem and taken when both marks are
// characters by themselves, as for the closing quote of a string.
std::size_t Lexer::skipBlockComment(std::size_t star) {
  if (asciiFastPath_) {
    for (std::size_t at = star; at < input_.size(); ++at) {
      const void* found = memmem(input_.data() + at, input_.size() - at, "*/", 2);
      if (found == nullptr) break;
      at = static_cast<std::size_t>(static_cast<const char*>(found) - input_.data());
      if (isLoneAsciiCharacter(input_, at) && isLoneAsciiCharacter(input_, at + 1)) return at + 2;
    }
    return input_.size();
  }
  std::size_t at = star;  // the opening star may also close the comment
  while (at < input_.size()) {
    const std::size_t next = characterEnd(at);
    if (isMark(at, next, '*') && next < input_.size()) {
      const std::size_t after = characterEnd(next);
      if (isMark(next, after, '/')) return after;
    }
    at = next;
  }
  return at;
}

std::vector<Token> tokenize(std::string_view text) { return Lexer(text).tokenize(); }

std::vector<Token> tokenizeWithoutFastPath(std::string_view text) {
  return Lexer(text, false).tokenize();
}

}  // namespace quarn
