// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QuarnLexer.h"

#include <Qsci/qsciscintilla.h>

#include <QByteArray>
#include <algorithm>
#include <string_view>

#include "frontend/Lexer.h"

namespace quarn {
namespace {

QuarnLexer::Style styleOf(TokenKind kind) {
  switch (kind) {
    case TokenKind::keyword:
    case TokenKind::boolean:
      return QuarnLexer::keyword;
    case TokenKind::intNumber:
    case TokenKind::floatNumber:
      return QuarnLexer::number;
    case TokenKind::stringLiteral:
      return QuarnLexer::text;
    case TokenKind::identifier:
      return QuarnLexer::plain;
    default:
      return QuarnLexer::punctuation;
  }
}

bool isBlank(std::string_view bytes) {
  return bytes.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

QuarnLexer::QuarnLexer(QObject* parent, const QColor& paper, const QFont& font) : QsciLexerCustom(parent) {
  const QColor green(kQuarnGreen);
  const struct { Style style; QColor colour; bool bold; bool italic; } looks[] = {
      {plain, green, false, false},           {keyword, green, true, false},
      {number, green.lighter(150), false, false}, {text, QColor("#a8ffa8"), false, false},
      {comment, green.darker(190), false, true}, {punctuation, green.darker(125), false, false},
  };
  for (const auto& look : looks) {
    QFont styled = font;
    styled.setBold(look.bold);
    styled.setItalic(look.italic);
    setColor(look.colour, look.style);
    setPaper(paper, look.style);
    setFont(styled, look.style);
  }
  setDefaultColor(green);
  setDefaultPaper(paper);
  setDefaultFont(font);
}

QString QuarnLexer::description(int style) const {
  static const char* const names[styleCount] = {"Default", "Keyword", "Number", "String", "Comment", "Punctuation"};
  return style >= 0 && style < styleCount ? QString(names[style]) : QString();
}

// The whole text is lexed again: a comment opened far above may reach into the
// changed range. Tokens are pulled one at a time into one reused token.
void QuarnLexer::styleText(int, int) {
  QsciScintilla* sci = editor();
  if (sci == nullptr) return;
  const int length = sci->length();
  const QByteArray bytes = sci->bytes(0, length);
  const std::string_view source(bytes.constData(), std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(length)));
  startStyling(0);
  std::uint32_t at = 0;
  Lexer lexer(source);
  Token token;
  for (lexer.next(token); !token.is(TokenKind::eof); lexer.next(token)) {
    if (token.offset > at) setStyling(static_cast<int>(token.offset - at), isBlank(source.substr(at, token.offset - at)) ? plain : comment);
    setStyling(static_cast<int>(token.length), styleOf(token.kind));
    at = token.offset + token.length;
  }
  if (static_cast<std::uint32_t>(length) > at)
    setStyling(length - static_cast<int>(at), isBlank(source.substr(at)) ? plain : comment);
}

}  // namespace quarn
