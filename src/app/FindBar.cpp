// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FindBar.h"

#include <Qsci/qsciscintilla.h>

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <tuple>

namespace quarn {
namespace {

using Sci = QsciScintillaBase;

// The field names line up in one column.
constexpr int kFieldNameWidth = 56;

QPushButton* addButton(QHBoxLayout* row, const QString& label) {
  auto* button = new QPushButton(label);
  button->setFocusPolicy(Qt::NoFocus);  // the keys stay in the fields
  row->addWidget(button);
  return button;
}

QHBoxLayout* addRow(QVBoxLayout* column, const QString& label, QLineEdit* field) {
  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  auto* name = new QLabel(label);
  name->setMinimumWidth(kFieldNameWidth);
  row->addWidget(name);
  row->addWidget(field, 1);
  column->addLayout(row);
  return row;
}

}  // namespace

FindBar::FindBar(QsciScintilla* editor, QWidget* parent)
    : QWidget(parent), editor_(editor), findField_(new QLineEdit), replaceField_(new QLineEdit),
      replaceRow_(new QWidget), status_(new QLabel) {
  setObjectName("findBar");
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 2, 4, 2);
  column->setSpacing(2);
  QHBoxLayout* findRow = addRow(column, "Find", findField_);
  connect(addButton(findRow, "Previous"), &QPushButton::clicked, this, &FindBar::findPrevious);
  connect(addButton(findRow, "Next"), &QPushButton::clicked, this, &FindBar::findNext);
  findRow->addWidget(status_);
  connect(addButton(findRow, "✕"), &QPushButton::clicked, this, [this] {
    hide();
    editor_->setFocus();
  });
  auto* replaceColumn = new QVBoxLayout(replaceRow_);
  replaceColumn->setContentsMargins(0, 0, 0, 0);
  QHBoxLayout* replaceRow = addRow(replaceColumn, "Replace", replaceField_);
  connect(addButton(replaceRow, "Replace"), &QPushButton::clicked, this, &FindBar::replaceOne);
  connect(addButton(replaceRow, "All"), &QPushButton::clicked, this, &FindBar::replaceAll);
  column->addWidget(replaceRow_);

  // finding as the text is typed, from where the selection starts
  connect(findField_, &QLineEdit::textEdited, this,
          [this] { findFrom(editor_->SendScintilla(Sci::SCI_GETSELECTIONSTART), true); });
  connect(findField_, &QLineEdit::returnPressed, this, [this] {
    QGuiApplication::keyboardModifiers() & Qt::ShiftModifier ? findPrevious() : findNext();
  });
  connect(replaceField_, &QLineEdit::returnPressed, this, &FindBar::replaceOne);
  hide();
}

void FindBar::showFind() { open(false); }
void FindBar::showReplace() { open(true); }

void FindBar::open(bool withReplace) {
  const QString selected = editor_->selectedText();
  if (!selected.isEmpty() && !selected.contains('\n')) findField_->setText(selected);
  replaceRow_->setVisible(withReplace);
  status_->clear();
  show();
  findField_->setFocus();
  findField_->selectAll();
}

bool FindBar::findNext() { return findFrom(editor_->SendScintilla(Sci::SCI_GETSELECTIONEND), true); }
bool FindBar::findPrevious() { return findFrom(editor_->SendScintilla(Sci::SCI_GETSELECTIONSTART), false); }

std::pair<long, long> FindBar::search(long from, long to) const {
  const QByteArray needle = findField_->text().toUtf8();
  if (needle.isEmpty()) return {-1, -1};
  editor_->SendScintilla(Sci::SCI_SETSEARCHFLAGS, 0UL);  // plain text, case aside
  editor_->SendScintilla(Sci::SCI_SETTARGETRANGE, from, to);
  const long at = editor_->SendScintilla(Sci::SCI_SEARCHINTARGET, static_cast<unsigned long>(needle.size()),
                                         needle.constData());
  return {at, at < 0 ? -1 : editor_->SendScintilla(Sci::SCI_GETTARGETEND)};
}

bool FindBar::findFrom(long from, bool forward) {
  const long length = editor_->SendScintilla(Sci::SCI_GETLENGTH);
  auto [start, end] = forward ? search(from, length) : search(from, 0);
  if (start < 0) std::tie(start, end) = forward ? search(0, length) : search(length, 0);  // round the end
  if (start < 0) {
    status_->setText(findField_->text().isEmpty() ? QString() : QString(kNoMatchText));
    return false;
  }
  status_->clear();
  editor_->SendScintilla(Sci::SCI_SETSEL, start, end);
  return true;
}

bool FindBar::selectionIsMatch() const {
  const long start = editor_->SendScintilla(Sci::SCI_GETSELECTIONSTART);
  const long end = editor_->SendScintilla(Sci::SCI_GETSELECTIONEND);
  return start < end && search(start, end) == std::pair(start, end);
}

bool FindBar::replaceOne() {
  if (!selectionIsMatch()) {
    findNext();  // the first press finds, the next one replaces
    return false;
  }
  const QByteArray replacement = replaceField_->text().toUtf8();
  editor_->SendScintilla(Sci::SCI_TARGETFROMSELECTION);
  editor_->SendScintilla(Sci::SCI_REPLACETARGET, static_cast<unsigned long>(replacement.size()), replacement.constData());
  const long after = editor_->SendScintilla(Sci::SCI_GETTARGETEND);
  editor_->SendScintilla(Sci::SCI_SETSEL, after, after);
  findFrom(after, true);
  return true;
}

int FindBar::replaceAll() {
  const QByteArray replacement = replaceField_->text().toUtf8();
  int count = 0;
  editor_->SendScintilla(Sci::SCI_BEGINUNDOACTION);
  for (long from = 0;; ++count) {
    const auto [start, end] = search(from, editor_->SendScintilla(Sci::SCI_GETLENGTH));
    if (start < 0) break;
    editor_->SendScintilla(Sci::SCI_SETTARGETRANGE, start, end);
    editor_->SendScintilla(Sci::SCI_REPLACETARGET, static_cast<unsigned long>(replacement.size()), replacement.constData());
    from = editor_->SendScintilla(Sci::SCI_GETTARGETEND);  // past what was put in: "a" by "aa" ends
  }
  editor_->SendScintilla(Sci::SCI_ENDUNDOACTION);
  status_->setText(count == 0 ? QString(kNoMatchText) : QString("Replaced %1").arg(count));
  return count;
}

void FindBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Escape) return QWidget::keyPressEvent(event);
  hide();
  editor_->setFocus();
}

}  // namespace quarn
