// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EditMenu.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciscintilla.h>

#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

#include "app/EditorCommands.h"
#include "app/FindBar.h"
#include "app/WorkbenchLayout.h"

namespace quarn {
namespace {

// Scintilla binds Ctrl+/ to moving by word parts; the menu's keys win.
void freeKeys(QsciScintilla* editor, const QKeySequence& keys) {
  const int key = keys[0].toCombined();
  for (QsciCommand* command : editor->standardCommands()->commands()) {
    if (command->key() == key) command->setKey(0);
    if (command->alternateKey() == key) command->setAlternateKey(0);
  }
}

}  // namespace

void addEditMenu(QMainWindow* window, const WorkbenchWidgets& widgets) {
  QsciScintilla* editor = widgets.editor;
  auto* commands = new EditorCommands(editor);
  auto* findBar = new FindBar(editor, editor->parentWidget());
  widgets.editorColumn->addWidget(findBar);
  QMenu* menu = window->menuBar()->addMenu("&Edit");
  const auto add = [&](const char* text, const QKeySequence& keys, auto action) {
    freeKeys(editor, keys);
    QAction* added = menu->addAction(text, keys, window, action);
    added->setShortcutContext(Qt::WindowShortcut);  // also while the editor has the keys
  };
  add("Toggle &Comment", QKeySequence(Qt::CTRL | Qt::Key_Slash), [commands] { commands->toggleComment(); });
  add("&Complete", QKeySequence(Qt::CTRL | Qt::Key_Space), [commands] { commands->complete(); });
  menu->addSeparator();
  add("&Find…", QKeySequence(Qt::CTRL | Qt::Key_F), [findBar] { findBar->showFind(); });
  add("Find &Next", QKeySequence(Qt::Key_F3), [findBar] { findBar->findNext(); });
  add("Find &Previous", QKeySequence(Qt::SHIFT | Qt::Key_F3), [findBar] { findBar->findPrevious(); });
  add("&Replace…", QKeySequence(Qt::CTRL | Qt::Key_H), [findBar] { findBar->showReplace(); });
}

}  // namespace quarn
