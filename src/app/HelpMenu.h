// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Help menu: the language reference (F1 opens it at the word under the
// cursor), the bundled example scripts, and About with the version and licence.
// Threads: main thread only.

#include <functional>
#include <string>
#include <vector>

#include <QString>

class QMainWindow;
class QsciScintilla;

namespace quarn {

struct Example {
  QString title;  // "Acid line" for acid_line.quarn
  std::string text;
};

// The example scripts built into the program, by file name.
std::vector<Example> bundledExamples();
QString aboutText();

// openExample gets the script of the example the user picks.
void addHelpMenu(QMainWindow* window, QsciScintilla* editor, std::function<void(const std::string&)> openExample);

}  // namespace quarn
