// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the console's lines come from in the script: a dim "line N" drawn just
// after each line that has a place, and a click on such a line reported as
// that place. The place is drawn, never written into the console's text, so
// copying and logOutput keep the lines exactly as printed.
// Threads: main thread only.

#include <optional>

#include <QObject>
#include <QString>

#include "frontend/SourceLocation.h"

class QEvent;
class QPlainTextEdit;
class QTextBlock;
class QWidget;

namespace quarn {

// The text drawn beside a line with a place: "line 12".
QString placeText(const SourceLocation& where);

class ConsolePlaces : public QObject {
  Q_OBJECT

public:
  explicit ConsolePlaces(QPlainTextEdit* console);

  // block, a line of console, came from `where`.
  static void setPlace(const QTextBlock& block, const SourceLocation& where);
  static std::optional<SourceLocation> placeOf(const QTextBlock& block);

signals:
  void placeClicked(const quarn::SourceLocation& where);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QPlainTextEdit* console_;
  QWidget* overlay_;  // over the console's viewport, transparent to the mouse
};

}  // namespace quarn
