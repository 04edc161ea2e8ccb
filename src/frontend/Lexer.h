// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns a script text into tokens. Never fails: characters without a rule are
// dropped and the list always ends with exactly one eof.
// Tokens come one at a time from next(), so a parser holds only what it looks
// ahead at; tokenize() collects them all.
// Used on one thread; a lexer is made for one text and used once.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/Token.h"
#include "frontend/UnicodeCharacters.h"

namespace quarn {

class Lexer {
public:
  // text is UTF-8; invalid bytes are read as U+FFFD (which no rule uses). The
  // text must outlive the lexer.
  explicit Lexer(std::string_view text);
  // Not copied or moved: input_ may view repaired_.
  Lexer(const Lexer&) = delete;
  Lexer& operator=(const Lexer&) = delete;

  // Overwrites token with the next one: eof at the end of the text, and again
  // on every later call. A token used again keeps its text's memory.
  void next(Token& token);
  // Every token still to come, eof included.
  std::vector<Token> tokenize();

private:
  friend std::vector<Token> tokenizeWithoutFastPath(std::string_view text);
  Lexer(std::string_view text, bool asciiFastPath);

  std::size_t characterEnd(std::size_t at) { return segmenter_.characterEnd(input_, at); }
  // Classes of the character at `at`, by its first code point.
  std::uint8_t classesAt(std::size_t at) const {
    const auto first = static_cast<unsigned char>(input_[at]);
    if (first < 0x80 && asciiClasses_ != nullptr) return asciiClasses_[first];
    return characterClasses(input_, at);
  }
  bool isMark(std::size_t at, std::size_t end, char mark) const;
  std::size_t skipAsciiRun(std::size_t from, std::uint8_t classes, char mark) const;
  // The rules fill in the token next() was given.
  void make(TokenKind kind);
  void makeText(TokenKind kind, std::string_view text);
  void makeWord(std::string_view word);
  void makeWordOfNfc(std::string_view word);

  // Each rule starts at the character [at, end) and returns where lexing goes on.
  std::size_t lexCharacter(std::size_t at);
  std::size_t skipWhitespace(std::size_t end);
  std::size_t lexString(std::size_t end);
  std::size_t findClosingQuote(std::size_t from);
  std::size_t findClosingQuoteByCharacters(std::size_t from);
  std::size_t lexWord(std::size_t at, std::size_t end);
  std::size_t lexNumber(std::size_t at, std::size_t end);
  std::size_t lexPunctuation(std::size_t at, std::size_t end);
  std::size_t lexSlash(std::size_t end);
  std::size_t skipLineComment(std::size_t from);
  std::size_t skipBlockComment(std::size_t star);

  // The text as valid UTF-8 (the caller's own text when it is valid, else
  // repaired_); characters are its grapheme clusters, found by segmenter_ as
  // lexing walks forward.
  std::string repaired_;
  std::string_view input_;
  CharacterSegmenter segmenter_;
  bool asciiFastPath_ = true;
  // The ASCII class table on the fast path, else null so ICU classifies all.
  const std::uint8_t* asciiClasses_ = nullptr;
  // Byte offset of the next character to read.
  std::size_t position_ = 0;
  // The token being made, and whether the current rule made it.
  Token* out_ = nullptr;
  bool made_ = false;
};

// Shorthand for Lexer(text).tokenize().
std::vector<Token> tokenize(std::string_view text);

}  // namespace quarn
