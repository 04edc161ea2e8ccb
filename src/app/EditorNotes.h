// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the editor shows about the script besides its text: a mark in the
// margin on each line that printed in the console's run, with what it printed
// as the mark's tooltip, and a squiggle under each place the warning look
// found, with the reason as its tooltip. Marks and squiggles move with edits.
// Threads: main thread only.

#include <unordered_map>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>

#include "frontend/SourceLocation.h"
#include "interp/ScriptWarnings.h"

class QEvent;
class QPoint;
class QsciScintilla;

namespace quarn {

// Scintilla's marker and indicator for these notes (the parse error has its own).
inline constexpr int kMessageMarker = 4;
inline constexpr int kWarningIndicator = 20;
// Texts one mark's tooltip lists, each once; lines printed beyond them are
// counted in a last line.
inline constexpr int kMaxMarkTexts = 8;

// The last tooltip line of a mark with `more` texts beyond kMaxMarkTexts.
QString moreTextsLine(int more);

class EditorNotes : public QObject {
public:
  explicit EditorNotes(QsciScintilla* editor);

  // line (0-based) printed text in the current run.
  void addMessage(int line, const QString& text);
  void clearMessages();
  // The warnings of the editor's text as it stands, replacing the last ones.
  void setWarnings(std::vector<ScriptWarning> warnings);
  const std::vector<ScriptWarning>& warnings() const { return warnings_; }

  // The cursor to a line and column (in characters), kept within the text: the
  // text may have changed since the place was found.
  void moveCursorTo(const SourceLocation& where);

  // The tooltip at a point of the editor's viewport: a mark's texts in the
  // margin, a squiggle's reason over the text; empty elsewhere.
  QString toolTipAt(const QPoint& point) const;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  struct Mark {
    int handle = -1;
    QStringList texts;
    int more = 0;  // lines printed beyond the texts listed
  };
  QString markTextsOnLine(int line) const;
  int marginsWidth() const;

  QsciScintilla* editor_;
  std::unordered_map<int, Mark> marks_;  // by the line it was added on
  std::vector<ScriptWarning> warnings_;
};

}  // namespace quarn
