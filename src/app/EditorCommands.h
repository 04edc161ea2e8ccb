// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editor's helping hand while typing: Return after `{` steps the indent
// in and `}` steps it back to its `{`; `(`, `[` and `"` get their closer, which
// typing the closer then steps over; every line end starts a new undo step;
// a space after `[receiver ` offers its selectors. Braces are not closed: a
// `}` typed lines later could not be told from the one put in.
// Also the commands of the Edit menu that act on the text: comment toggling
// and completion.
// Threads: main thread only.

#include <QByteArray>
#include <QObject>

class QsciScintilla;

namespace quarn {

// Scintilla's hidden indicator on a closer the editor put in itself.
inline constexpr int kAutoCloserIndicator = 9;

class EditorCommands : public QObject {
  Q_OBJECT

public:
  explicit EditorCommands(QsciScintilla* editor);

  // Puts `// ` before every selected line (the caret's line without a
  // selection), or takes it away when each non-blank one has it. One undo step.
  void toggleComment();
  // Lists what may complete the word before the caret. Asked for, a lone match
  // is put in at once; offered unasked, the list waits for a choice.
  void complete(bool asked = true);

private:
  void charAdded(int ch);
  void lineEnded();
  void closeBraceTyped();
  void closeOrStepOver(char typed);
  // The character at pos, or 0 past the end.
  char charAt(long pos) const;
  long caret() const;
  // The caret's line up to the caret, in UTF-8 like the editor's positions.
  QByteArray lineBeforeCaret() const;

  QsciScintilla* editor_;
};

}  // namespace quarn
