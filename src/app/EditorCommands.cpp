// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EditorCommands.h"

#include <Qsci/qsciscintilla.h>

#include <QByteArray>
#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>
#include <vector>

#include "app/Completion.h"
#include "frontend/Lexer.h"

namespace quarn {
namespace {

using Sci = QsciScintillaBase;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Where a closer is put in: not before a word, where it would split one.
bool mayCloseBefore(char next) { return next == 0 || isBlank(next) || std::strchr(")]};,", next) != nullptr; }

}  // namespace

EditorCommands::EditorCommands(QsciScintilla* editor) : QObject(editor), editor_(editor) {
  editor_->SendScintilla(Sci::SCI_INDICSETSTYLE, kAutoCloserIndicator, Sci::INDIC_HIDDEN);
  editor_->SendScintilla(Sci::SCI_AUTOCSETIGNORECASE, 1);
  editor_->SendScintilla(Sci::SCI_AUTOCSETORDER, Sci::SC_ORDER_PERFORMSORT);
  connect(editor_, &QsciScintillaBase::SCN_CHARADDED, this, &EditorCommands::charAdded);
}

QByteArray EditorCommands::lineBeforeCaret() const {
  const long at = caret();
  const long line = editor_->SendScintilla(Sci::SCI_LINEFROMPOSITION, at);
  const long start = editor_->SendScintilla(Sci::SCI_POSITIONFROMLINE, line);
  return editor_->text(static_cast<int>(line)).toUtf8().left(at - start);
}

long EditorCommands::caret() const { return editor_->SendScintilla(Sci::SCI_GETCURRENTPOS); }

char EditorCommands::charAt(long pos) const {
  return static_cast<char>(editor_->SendScintilla(Sci::SCI_GETCHARAT, static_cast<unsigned long>(pos)));
}

void EditorCommands::charAdded(int ch) {
  switch (ch) {
    case '\n': return lineEnded();
    case '}': return closeBraceTyped();
    case '(': case '[': case '"': case ')': case ']':
      return closeOrStepOver(static_cast<char>(ch));
    case ' ': {
      // the line alone tells whether this is the place after `[receiver `
      const QByteArray line = lineBeforeCaret();
      if (completionsAt(std::string_view(line.constData(), line.size()), line.size()).isSelector) complete(false);
      return;
    }
    default: return;
  }
}

// Return after `{` steps in; then the typing so far is one undo step, so an
// undo takes back a line, not a whole burst of them.
void EditorCommands::lineEnded() {
  const long line = editor_->SendScintilla(Sci::SCI_LINEFROMPOSITION, caret());
  if (line > 0 && editor_->text(static_cast<int>(line - 1)).trimmed().endsWith('{')) {
    const long above = editor_->SendScintilla(Sci::SCI_GETLINEINDENTATION, line - 1);
    const long bodyStart = editor_->SendScintilla(Sci::SCI_GETLINEINDENTPOSITION, line);
    if (charAt(bodyStart) == '}') {  // Return between `{` and `}`: the brace goes a line down
      editor_->SendScintilla(Sci::SCI_INSERTTEXT, static_cast<unsigned long>(bodyStart), "\n");
      editor_->setIndentation(static_cast<int>(line + 1), static_cast<int>(above));
    }
    editor_->setIndentation(static_cast<int>(line), static_cast<int>(above) + editor_->tabWidth());
    editor_->SendScintilla(Sci::SCI_GOTOPOS, editor_->SendScintilla(Sci::SCI_GETLINEINDENTPOSITION, line));
  }
  editor_->SendScintilla(Sci::SCI_BEGINUNDOACTION);
  editor_->SendScintilla(Sci::SCI_ENDUNDOACTION);
}

// A `}` first on its line takes the indent of the line with its `{`, found by
// the script's own lexer so that braces in comments and strings do not count.
void EditorCommands::closeBraceTyped() {
  const long brace = caret() - 1;
  const long line = editor_->SendScintilla(Sci::SCI_LINEFROMPOSITION, brace);
  if (editor_->SendScintilla(Sci::SCI_GETLINEINDENTPOSITION, line) != brace) return;
  const QByteArray before = editor_->text().toUtf8().left(brace);
  std::vector<long> opens;
  Lexer lexer(std::string_view(before.constData(), before.size()));
  Token token;
  for (lexer.next(token); !token.is(TokenKind::eof); lexer.next(token)) {
    if (token.is(TokenKind::openBrace)) opens.push_back(token.offset);
    if (token.is(TokenKind::closeBrace) && !opens.empty()) opens.pop_back();
  }
  const long current = editor_->SendScintilla(Sci::SCI_GETLINEINDENTATION, line);
  const long indent = opens.empty() ? std::max(0L, current - editor_->tabWidth())
                                    : editor_->SendScintilla(Sci::SCI_GETLINEINDENTATION,
                                                             editor_->SendScintilla(Sci::SCI_LINEFROMPOSITION, opens.back()));
  editor_->setIndentation(static_cast<int>(line), static_cast<int>(indent));
}

void EditorCommands::closeOrStepOver(char typed) {
  const long at = caret();
  const char next = charAt(at);
  const bool isCloser = typed == ')' || typed == ']' || typed == '"';
  if (isCloser && next == typed && editor_->SendScintilla(Sci::SCI_INDICATORVALUEAT, kAutoCloserIndicator, at) != 0) {
    editor_->SendScintilla(Sci::SCI_DELETERANGE, at, 1L);  // the typed one takes its place
    return;
  }
  if (typed == ')' || typed == ']' || !mayCloseBefore(next)) return;
  if (typed == '"' && lineBeforeCaret().count('"') % 2 == 0) return;  // this one closes a string
  const char closer[2] = {typed == '(' ? ')' : typed == '[' ? ']' : '"', 0};
  editor_->SendScintilla(Sci::SCI_INSERTTEXT, static_cast<unsigned long>(at), closer);
  editor_->SendScintilla(Sci::SCI_SETINDICATORCURRENT, kAutoCloserIndicator);
  editor_->SendScintilla(Sci::SCI_INDICATORFILLRANGE, static_cast<unsigned long>(at), 1L);
}

void EditorCommands::toggleComment() {
  int lineFrom = 0, indexFrom = 0, lineTo = 0, indexTo = 0;
  editor_->getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
  if (lineFrom < 0) {
    editor_->getCursorPosition(&lineFrom, &indexFrom);
    lineTo = lineFrom;
  } else if (indexTo == 0 && lineTo > lineFrom) {
    --lineTo;  // a selection ending at a line's start leaves that line alone
  }
  const auto indentAt = [&](int line) { return editor_->SendScintilla(Sci::SCI_GETLINEINDENTPOSITION, line); };
  const auto isBlankLine = [&](int line) { return indentAt(line) == editor_->SendScintilla(Sci::SCI_GETLINEENDPOSITION, line); };
  bool allCommented = true, anyText = false;
  long minIndent = LONG_MAX;
  for (int line = lineFrom; line <= lineTo; ++line) {
    if (isBlankLine(line)) continue;
    anyText = true;
    minIndent = std::min(minIndent, editor_->SendScintilla(Sci::SCI_GETLINEINDENTATION, line));
    allCommented = allCommented && charAt(indentAt(line)) == '/' && charAt(indentAt(line) + 1) == '/';
  }
  if (!anyText) return;
  editor_->SendScintilla(Sci::SCI_BEGINUNDOACTION);
  for (int line = lineFrom; line <= lineTo; ++line) {
    if (isBlankLine(line)) continue;
    if (allCommented) {
      const long at = indentAt(line);
      editor_->SendScintilla(Sci::SCI_DELETERANGE, at, charAt(at + 2) == ' ' ? 3L : 2L);
    } else {
      const long at = editor_->SendScintilla(Sci::SCI_FINDCOLUMN, line, minIndent);
      editor_->SendScintilla(Sci::SCI_INSERTTEXT, static_cast<unsigned long>(at), "// ");
    }
  }
  editor_->SendScintilla(Sci::SCI_ENDUNDOACTION);
}

void EditorCommands::complete(bool asked) {
  const QByteArray text = editor_->text().toUtf8();
  const Completions offered = completionsAt(std::string_view(text.constData(), text.size()), caret());
  if (offered.words.empty()) return;
  QByteArray list;
  for (const std::string& word : offered.words) list += QByteArray::fromStdString(word) + ' ';
  list.chop(1);
  editor_->SendScintilla(Sci::SCI_AUTOCSETCHOOSESINGLE, asked ? 1 : 0);
  editor_->SendScintilla(Sci::SCI_AUTOCSHOW, offered.typedBytes, list.constData());
}

}  // namespace quarn
