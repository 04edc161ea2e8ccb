// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LanguageHelp.h"

#include <QFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QAbstractTextDocumentLayout>
#include <QTextDocument>
#include <QVBoxLayout>

namespace quarn {
namespace {

constexpr int kHelpWidth = 620;
constexpr int kHelpHeight = 520;

bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == '_'; }

// Where word stands whole in text, from `from`; -1 when nowhere.
qsizetype wholeWordIn(const QString& text, const QString& word, qsizetype from) {
  for (qsizetype at = text.indexOf(word, from); at >= 0; at = text.indexOf(word, at + 1)) {
    const qsizetype end = at + word.size();
    const bool startsWhole = at == 0 || !isNameChar(text[at - 1]);
    const bool endsWhole = end == text.size() || !isNameChar(text[end]) || word.endsWith(':');
    if (startsWhole && endsWhole) return at;
  }
  return -1;
}

// The entry for word: the first block that starts with it, else its first
// mention outside the example code.
QTextCursor entryFor(QTextDocument* document, const QString& word) {
  for (const bool atStart : {true, false}) {
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
      if (block.blockFormat().hasProperty(QTextFormat::BlockCodeFence)) continue;
      const qsizetype at = wholeWordIn(block.text(), word, 0);
      if (at < 0 || (atStart && at != 0)) continue;
      QTextCursor cursor(block);
      cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, static_cast<int>(at));
      cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, static_cast<int>(word.size()));
      return cursor;
    }
  }
  return {};
}

}  // namespace

QString languageReference() {
  QFile file(":/quarn/docs/language.md");
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

LanguageHelp::LanguageHelp(QWidget* parent) : QWidget(parent, Qt::Window), browser_(new QTextBrowser(this)) {
  setObjectName("languageHelp");
  setWindowTitle("Quarn Language");
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(browser_);
  browser_->setOpenExternalLinks(true);
  browser_->setMarkdown(languageReference());
  resize(kHelpWidth, kHelpHeight);
}

bool LanguageHelp::showEntry(const QString& word) {
  show();
  raise();
  activateWindow();
  const QTextCursor found = word.isEmpty() ? QTextCursor() : entryFor(browser_->document(), word);
  browser_->setTextCursor(found.isNull() ? QTextCursor(browser_->document()) : found);
  // the entry at the top of the view, not just somewhere in it
  const QTextBlock block = found.isNull() ? browser_->document()->begin() : found.block();
  browser_->verticalScrollBar()->setValue(
      static_cast<int>(browser_->document()->documentLayout()->blockBoundingRect(block).top()));
  return !found.isNull();
}

}  // namespace quarn
