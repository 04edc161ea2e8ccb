// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HelpMenu.h"

#include <Qsci/qsciscintilla.h>

#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include "app/LanguageHelp.h"

namespace quarn {
namespace {

const QString kExamplesFolder = ":/quarn/examples";

QString titleOf(QString stem) {
  stem.replace('_', ' ');
  if (!stem.isEmpty()) stem[0] = stem[0].toUpper();
  return stem;
}

// The word under the caret; a selector keeps its colon, so that play: finds
// the sampler's entry and play the voice's.
QString wordAtCaret(QsciScintilla* editor) {
  const long caret = editor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
  const long start = editor->SendScintilla(QsciScintillaBase::SCI_WORDSTARTPOSITION, caret, 1L);
  long end = editor->SendScintilla(QsciScintillaBase::SCI_WORDENDPOSITION, caret, 1L);
  if (editor->SendScintilla(QsciScintillaBase::SCI_GETCHARAT, end) == ':') ++end;
  return QString::fromUtf8(editor->text().toUtf8().mid(start, end - start));
}

}  // namespace

std::vector<Example> bundledExamples() {
  std::vector<Example> examples;
  const QDir folder(kExamplesFolder);
  for (const QString& name : folder.entryList({"*.quarn"}, QDir::Files, QDir::Name)) {
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::ReadOnly)) continue;
    examples.push_back({titleOf(QFileInfo(name).completeBaseName()), file.readAll().toStdString()});
  }
  return examples;
}

QString aboutText() {
  return QString("Quarn Workbench %1\n\nA live-coding workbench for sound.\n\n"
                 "Licensed under the GNU General Public License, version 3 or any later version "
                 "(GPL-3.0-or-later).")
      .arg(QUARN_VERSION);
}

void addHelpMenu(QMainWindow* window, QsciScintilla* editor, std::function<void(const std::string&)> openExample) {
  QMenu* menu = window->menuBar()->addMenu("&Help");
  auto* help = new LanguageHelp(window);
  help->hide();
  menu->addAction("&Language", window, [help] { help->showEntry(QString()); });
  QAction* onWord = menu->addAction("Help on the &Word", QKeySequence(Qt::Key_F1), window,
                                    [help, editor] { help->showEntry(wordAtCaret(editor)); });
  onWord->setShortcutContext(Qt::WindowShortcut);
  QMenu* examples = menu->addMenu("&Examples");
  for (Example& example : bundledExamples())
    examples->addAction(example.title, window, [openExample, text = std::move(example.text)] { openExample(text); });
  menu->addSeparator();
  menu->addAction("&About Quarn Workbench", window,
                  [window] { QMessageBox::about(window, "About Quarn Workbench", aboutText()); });
}

}  // namespace quarn
