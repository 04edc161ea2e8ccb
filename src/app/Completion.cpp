// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Completion.h"

#include <algorithm>
#include <set>

#include "frontend/Keywords.h"
#include "frontend/Lexer.h"
#include "interp/Vocabulary.h"

namespace quarn {
namespace {

bool isNameByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x80 || std::isalnum(byte) || c == '_';
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::size_t skipBlanksBack(std::string_view text, std::size_t end) {
  while (end > 0 && isBlank(text[end - 1])) --end;
  return end;
}

std::size_t nameStart(std::string_view text, std::size_t end) {
  while (end > 0 && isNameByte(text[end - 1])) --end;
  return end;
}

// Words that start with typed, case aside, sorted and each once.
std::vector<std::string> matching(const std::set<std::string>& words, std::string_view typed) {
  std::vector<std::string> found;
  for (const std::string& word : words) {
    const bool matches = word.size() >= typed.size() &&
                         std::equal(typed.begin(), typed.end(), word.begin(), [](char a, char b) {
                           return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
                         });
    if (matches) found.push_back(word);
  }
  return found;
}

}  // namespace

// `type name` declares a variable, `- (void) name` a method.
ScriptNames declaredNames(std::string_view text) {
  ScriptNames names;
  const std::vector<Token> tokens = tokenize(text);
  for (std::size_t i = 1; i < tokens.size(); ++i) {
    if (!tokens[i].is(TokenKind::identifier)) continue;
    if (isTypeKeyword(tokens[i - 1])) names.variables.push_back(tokens[i].text);
    if (i >= 2 && tokens[i - 1].is(TokenKind::closeParen) && tokens[i - 2].isKeyword("void"))
      names.methods.push_back(tokens[i].text);
  }
  return names;
}

Completions completionsAt(std::string_view text, std::size_t at) {
  at = std::min(at, text.size());
  const std::size_t typedStart = nameStart(text, at);
  Completions result;
  result.typedBytes = at - typedStart;
  std::set<std::string> words;
  const std::size_t before = skipBlanksBack(text, typedStart);
  const std::size_t receiverStart = nameStart(text, before);
  const bool afterBracket = before > 0 && text[before - 1] == '[';
  const bool afterReceiver = receiverStart < before && receiverStart > 0 && text[receiverStart - 1] == '[' &&
                             before < typedStart;
  if (afterBracket) {
    for (std::string_view name : receiverNames()) words.emplace(name);
  } else if (afterReceiver) {
    result.isSelector = true;
    const std::string_view receiver = text.substr(receiverStart, before - receiverStart);
    for (std::string_view name : selectorsOf(receiver)) words.emplace(name);
    if (receiver == "self")
      for (std::string& name : declaredNames(text).methods) words.insert(std::move(name));
  } else {
    for (std::string_view name : builtInConstantNames()) words.emplace(name);
    for (std::string& name : declaredNames(text).variables) words.insert(std::move(name));
  }
  result.words = matching(words, text.substr(typedStart, result.typedBytes));
  return result;
}

}  // namespace quarn
