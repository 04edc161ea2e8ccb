// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bar under the editor for finding (Ctrl+F, F3, Shift+F3) and replacing
// (Ctrl+H) text: plain text, case aside, wrapping round the ends. Escape
// hides it and gives the keys back to the editor.
// Threads: main thread only.

#include <QWidget>

class QLabel;
class QLineEdit;
class QsciScintilla;

namespace quarn {

inline constexpr const char* kNoMatchText = "No match";

class FindBar : public QWidget {
  Q_OBJECT

public:
  FindBar(QsciScintilla* editor, QWidget* parent);

  // Shows the bar with the selected text (if any) to find; the replace field
  // only with showReplace.
  void showFind();
  void showReplace();
  // Selects the next (or previous) match from the selection; false when none.
  bool findNext();
  bool findPrevious();
  // Replaces the selected match and selects the next one.
  bool replaceOne();
  // Replaces every match, as one undo step; returns how many.
  int replaceAll();

  QLineEdit* findField() const { return findField_; }
  QLineEdit* replaceField() const { return replaceField_; }
  QLabel* status() const { return status_; }

protected:
  void keyPressEvent(QKeyEvent* event) override;

private:
  void open(bool withReplace);
  bool findFrom(long from, bool forward);
  // [start, end) of the first match in the range (backwards when from > to), or start -1.
  std::pair<long, long> search(long from, long to) const;
  bool selectionIsMatch() const;

  QsciScintilla* editor_;
  QLineEdit* findField_;
  QLineEdit* replaceField_;
  QWidget* replaceRow_;
  QLabel* status_;
};

}  // namespace quarn
