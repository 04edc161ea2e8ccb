// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The language reference in a window of its own beside the workbench, from
// the same text as the README's language section (docs/language.md, built in).
// Threads: main thread only.

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace quarn {

// The reference's markdown as built into the program.
QString languageReference();

class LanguageHelp : public QWidget {
  Q_OBJECT

public:
  explicit LanguageHelp(QWidget* parent);

  // Shows the window at the entry for word (the entry that starts with it, else
  // the first mention), or at the top when there is none; true when found.
  bool showEntry(const QString& word);
  QTextBrowser* browser() const { return browser_; }

private:
  QTextBrowser* browser_;
};

}  // namespace quarn
