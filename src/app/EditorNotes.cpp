// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EditorNotes.h"

#include <Qsci/qsciscintilla.h>

#include <QColor>
#include <QHelpEvent>
#include <QToolTip>

#include <algorithm>

#include "app/WorkbenchLayout.h"

namespace quarn {
namespace {

constexpr const char* kNoteColour = "#ffb000";
constexpr int kScintillaMargins = 5;

}  // namespace

QString moreTextsLine(int more) { return QString("… and %1 more lines").arg(more); }

EditorNotes::EditorNotes(QsciScintilla* editor) : QObject(editor), editor_(editor) {
  editor->markerDefine(QsciScintilla::Circle, kMessageMarker);
  editor->setMarkerBackgroundColor(QColor(kNoteColour), kMessageMarker);
  editor->setMarkerForegroundColor(QColor(kNoteColour), kMessageMarker);
  editor->setMarginMarkerMask(kMarkerMargin, editor->marginMarkerMask(kMarkerMargin) | (1 << kMessageMarker));
  editor->indicatorDefine(QsciScintilla::SquiggleIndicator, kWarningIndicator);
  editor->setIndicatorForegroundColor(QColor(kNoteColour), kWarningIndicator);
  editor->viewport()->installEventFilter(this);
}

void EditorNotes::addMessage(int line, const QString& text) {
  Mark& mark = marks_[line];
  if (mark.handle < 0) mark.handle = editor_->markerAdd(line, kMessageMarker);
  if (mark.texts.contains(text)) return;
  if (mark.texts.size() < kMaxMarkTexts) {
    mark.texts.append(text);
  } else {
    ++mark.more;
  }
}

void EditorNotes::clearMessages() {
  editor_->markerDeleteAll(kMessageMarker);
  marks_.clear();
}

// Each squiggle carries its warning's index + 1 as its value, which stays with
// it while the text around it is edited.
void EditorNotes::setWarnings(std::vector<ScriptWarning> warnings) {
  warnings_ = std::move(warnings);
  editor_->SendScintilla(QsciScintillaBase::SCI_SETINDICATORCURRENT, static_cast<unsigned long>(kWarningIndicator));
  editor_->SendScintilla(QsciScintillaBase::SCI_INDICATORCLEARRANGE, 0UL, static_cast<long>(editor_->length()));
  for (std::size_t i = 0; i < warnings_.size(); ++i) {
    editor_->SendScintilla(QsciScintillaBase::SCI_SETINDICATORVALUE, static_cast<unsigned long>(i + 1));
    editor_->SendScintilla(QsciScintillaBase::SCI_INDICATORFILLRANGE,
                           static_cast<unsigned long>(warnings_[i].span.offset),
                           static_cast<long>(warnings_[i].span.length));
  }
}

void EditorNotes::moveCursorTo(const SourceLocation& where) {
  const auto line = static_cast<unsigned long>(std::clamp(static_cast<int>(where.line) - 1, 0, editor_->lines() - 1));
  const long start = editor_->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line);
  const long end = editor_->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, line);
  const long at = editor_->SendScintilla(QsciScintillaBase::SCI_POSITIONRELATIVE, static_cast<unsigned long>(start),
                                         static_cast<long>(where.column) - 1);
  // past the end of the text Scintilla answers 0
  const long target = at < start ? end : std::min(at, end);
  editor_->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(target));
}

int EditorNotes::marginsWidth() const {
  int width = 0;
  for (int margin = 0; margin < kScintillaMargins; ++margin) width += editor_->marginWidth(margin);
  return width;
}

QString EditorNotes::markTextsOnLine(int line) const {
  for (const auto& [addedOn, mark] : marks_) {
    const auto handle = static_cast<unsigned long>(mark.handle);
    if (editor_->SendScintilla(QsciScintillaBase::SCI_MARKERLINEFROMHANDLE, handle) != line) continue;
    QStringList lines = mark.texts;
    if (mark.more > 0) lines.append(moreTextsLine(mark.more));
    return lines.join('\n');
  }
  return {};
}

QString EditorNotes::toolTipAt(const QPoint& point) const {
  if (point.x() < marginsWidth()) {
    const long height = editor_->SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0UL);
    const long visible = editor_->SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE) + point.y() / height;
    return markTextsOnLine(static_cast<int>(
        editor_->SendScintilla(QsciScintillaBase::SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(visible))));
  }
  const long at = editor_->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMPOINTCLOSE,
                                         static_cast<unsigned long>(point.x()), static_cast<long>(point.y()));
  if (at < 0) return {};
  const long value = editor_->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT,
                                            static_cast<unsigned long>(kWarningIndicator), at);
  if (value <= 0 || static_cast<std::size_t>(value) > warnings_.size()) return {};
  return QString::fromStdString(warnings_[static_cast<std::size_t>(value) - 1].reason);
}

bool EditorNotes::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QObject::eventFilter(watched, event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const QString text = toolTipAt(help->pos());
  if (text.isEmpty()) {
    QToolTip::hideText();
  } else {
    QToolTip::showText(help->globalPos(), text, editor_->viewport());
  }
  return true;
}

}  // namespace quarn
