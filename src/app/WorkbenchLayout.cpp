#include "app/WorkbenchLayout.h"

#include <QFont>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSizePolicy>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

namespace quarn {
namespace {

QFont monospacedFont(int pixelSize) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(pixelSize);
  return font;
}

QPlainTextEdit* makeEditor(QWidget* root) {
  auto* editor = new QPlainTextEdit(root);
  editor->setObjectName("editor");
  editor->setFont(monospacedFont(kBodyPixelSize));
  // black at 0.8 opacity behind green text, padded inside the dark area
  editor->setStyleSheet(QString("QPlainTextEdit { background-color: rgba(0, 0, 0, 204); color: #00ff00;"
                                " border: none; padding: %1px; }")
                            .arg(kDefaultPadding));
  return editor;
}

QPushButton* makeButton(QWidget* root, const char* objectName, const QString& label, const char* colour) {
  auto* button = new QPushButton(label, root);
  button->setObjectName(objectName);
  QFont font = button->font();
  font.setPixelSize(kHeadlinePixelSize);
  font.setBold(true);
  button->setFont(font);
  button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  button->setStyleSheet(QString("QPushButton { background-color: %1; color: white; border: none; padding: %2px; }")
                            .arg(colour)
                            .arg(kDefaultPadding));
  return button;
}

QLabel* makeConsole(QWidget* root) {
  auto* console = new QLabel(root);
  console->setObjectName("console");
  console->setTextFormat(Qt::PlainText);
  console->setWordWrap(false);
  console->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  console->setFont(monospacedFont(kCaptionPixelSize));
  // full width; a long line is cut at the window's edge instead of widening it
  console->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  console->setStyleSheet(QString("QLabel { background-color: rgba(128, 128, 128, 51); padding: %1px; }")
                             .arg(kDefaultPadding));
  return console;
}

}  // namespace

WorkbenchWidgets buildWorkbenchLayout(QWidget* root) {
  WorkbenchWidgets parts;
  parts.editor = makeEditor(root);
  parts.compileButton = makeButton(root, "compileButton", "Compile and Run", "#007aff");
  parts.haltButton = makeButton(root, "haltButton", "[tb303 release];", "#ff3b30");
  parts.console = makeConsole(root);

  auto* buttonRow = new QHBoxLayout;
  buttonRow->setContentsMargins(0, 0, 0, 0);
  buttonRow->setSpacing(kButtonSpacing);  // set, or the row would inherit the column's 0
  buttonRow->addWidget(parts.compileButton, 1);
  buttonRow->addWidget(parts.haltButton, 1);

  auto* column = new QVBoxLayout(root);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(parts.editor, 1);
  column->addLayout(buttonRow);
  column->addWidget(parts.console);

  root->setFixedSize(kWindowWidth, kWindowHeight);
  return parts;
}

}  // namespace quarn
