// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WorkbenchLayout.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciscintilla.h>

#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSizePolicy>
#include <QSplitter>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

#include "app/LevelMeter.h"
#include "app/QuarnLexer.h"

namespace quarn {
namespace {

// Scintilla sizes its styles in points only.
QFont scintillaFont(int pixelSize) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSizeF(pixelSize * 72.0 / 96.0);
  return font;
}

void configureEditing(QsciScintilla* editor) {
  editor->setUtf8(true);
  editor->setAutoIndent(true);
  editor->setIndentationsUseTabs(false);
  editor->setTabWidth(kTabColumns);
  editor->setTabIndents(true);
  editor->setBackspaceUnindents(true);
  editor->setBraceMatching(QsciScintilla::SloppyBraceMatch);
  // The window zooms editor and console together: the editor's own zoom keys
  // would take Ctrl+- and Ctrl++ for the editor alone.
  for (QsciCommand::Command command : {QsciCommand::ZoomIn, QsciCommand::ZoomOut}) {
    QsciCommand* zoomKeys = editor->standardCommands()->find(command);
    zoomKeys->setKey(0);
    zoomKeys->setAlternateKey(0);
  }
  // the horizontal scroll bar only when a line is wider than the editor
  editor->SendScintilla(QsciScintillaBase::SCI_SETSCROLLWIDTH, 1);
  editor->SendScintilla(QsciScintillaBase::SCI_SETSCROLLWIDTHTRACKING, 1);
  editor->setMarginType(0, QsciScintilla::NumberMargin);
  editor->setMarginLineNumbers(0, true);
  editor->setMarginWidth(kMarkerMargin, kDefaultPadding + 4);
  editor->setMarginMarkerMask(kMarkerMargin, 1 << kErrorMarker);
  editor->setMarginSensitivity(kMarkerMargin, false);
  editor->markerDefine(QsciScintilla::RightTriangle, kErrorMarker);
  editor->indicatorDefine(QsciScintilla::StraightBoxIndicator, kErrorIndicator);
  editor->SendScintilla(QsciScintillaBase::SCI_INDICSETUNDER, kErrorIndicator, 1);  // the token stays readable
}

// Green on black at 0.8 opacity over the window's own background, as one opaque colour.
void colourEditor(QsciScintilla* editor, const QColor& paper) {
  auto* lexer = new QuarnLexer(editor, paper, scintillaFont(kBodyPixelSize));
  editor->setLexer(lexer);
  editor->setCaretForegroundColor(QColor(kQuarnGreen));
  editor->setCaretLineVisible(false);
  editor->setMarginsBackgroundColor(paper.darker(130));
  editor->setMarginsForegroundColor(QColor(kQuarnGreen).darker(160));
  editor->setMarginsFont(scintillaFont(kBodyPixelSize));
  editor->setFoldMarginColors(paper, paper);
  editor->setMatchedBraceForegroundColor(QColor(Qt::black));
  editor->setMatchedBraceBackgroundColor(QColor(kQuarnGreen));
  editor->setUnmatchedBraceForegroundColor(QColor(kErrorColour));
  editor->setSelectionBackgroundColor(QColor(kQuarnGreen).darker(300));
  editor->setSelectionForegroundColor(QColor(kQuarnGreen).lighter(130));
  QColor errorBox(kErrorColour);
  errorBox.setAlpha(120);  // the colour's alpha is the box's
  editor->setIndicatorForegroundColor(errorBox, kErrorIndicator);
  editor->SendScintilla(QsciScintillaBase::SCI_INDICSETOUTLINEALPHA, kErrorIndicator, 255);
  editor->setMarkerBackgroundColor(QColor(kErrorColour), kErrorMarker);
  editor->setMarkerForegroundColor(QColor(kErrorColour), kErrorMarker);
}

QsciScintilla* makeEditor(QWidget* root) {
  auto* editor = new QsciScintilla(root);
  editor->setObjectName("editor");
  editor->setFrameStyle(0);
  const QColor window = root->palette().color(QPalette::Window);
  const QColor paper(window.red() / 5, window.green() / 5, window.blue() / 5);
  configureEditing(editor);
  colourEditor(editor, paper);
  editor->setMarginWidth(0, QStringLiteral("0000"));  // in the margin's font, so after it is set
  editor->setStyleSheet(QString("QsciScintilla { background-color: %1; border: none; padding: %2px; }")
                            .arg(paper.name())
                            .arg(kDefaultPadding));
  return editor;
}

QPushButton* makeButton(QWidget* root, const char* objectName, const QString& label, const char* colour) {
  auto* button = new QPushButton(label, root);
  button->setObjectName(objectName);
  button->setFocusPolicy(Qt::NoFocus);  // the editor keeps the keyboard
  QFont font = button->font();
  font.setPixelSize(kHeadlinePixelSize);
  font.setBold(true);
  button->setFont(font);
  button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  button->setStyleSheet(QString("QPushButton { background-color: %1; color: white; border: none; padding: %2px; }"
                                " QPushButton:pressed { background-color: %3; }")
                            .arg(colour)
                            .arg(kDefaultPadding)
                            .arg(QColor(colour).darker(130).name()));
  return button;
}

QPlainTextEdit* makeConsole(QWidget* root) {
  auto* console = new QPlainTextEdit(root);
  console->setObjectName("console");
  console->setReadOnly(true);
  console->setUndoRedoEnabled(false);
  console->setMaximumBlockCount(kConsoleHistoryLines);
  console->setLineWrapMode(QPlainTextEdit::NoWrap);
  console->setFocusPolicy(Qt::ClickFocus);  // selectable and copyable; Tab never lands here
  console->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  console->setFont(monospacedFont(kCaptionPixelSize));
  console->setMinimumHeight(kConsoleMinHeight);
  console->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  console->setStyleSheet(QString("QPlainTextEdit { background-color: rgba(128, 128, 128, 51); border: none;"
                                 " padding: %1px; }")
                             .arg(kDefaultPadding / 2));
  return console;
}

QVBoxLayout* zeroMarginColumn(QWidget* widget) {
  auto* column = new QVBoxLayout(widget);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  return column;
}

}  // namespace

QFont monospacedFont(int pixelSize) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(pixelSize);
  return font;
}

WorkbenchWidgets buildWorkbenchLayout(QWidget* root) {
  WorkbenchWidgets parts;
  parts.editor = makeEditor(root);
  parts.compileButton = makeButton(root, "compileButton", "Compile and Run", "#007aff");
  parts.haltButton = makeButton(root, "haltButton", "[tb303 release];", "#ff3b30");
  parts.meter = new LevelMeter(root);
  parts.console = makeConsole(root);

  auto* buttonRow = new QHBoxLayout;
  buttonRow->setContentsMargins(0, 0, 0, 0);
  buttonRow->setSpacing(kButtonSpacing);  // set, or the row would inherit the column's 0
  buttonRow->addWidget(parts.compileButton, 1);
  buttonRow->addWidget(parts.haltButton, 1);
  buttonRow->addWidget(parts.meter);

  parts.splitter = new QSplitter(Qt::Vertical, root);
  parts.splitter->setObjectName("splitter");
  parts.splitter->setChildrenCollapsible(false);
  auto* top = new QWidget(parts.splitter);
  parts.editorColumn = zeroMarginColumn(top);
  parts.editorColumn->addWidget(parts.editor, 1);
  auto* bottom = new QWidget(parts.splitter);
  QVBoxLayout* bottomColumn = zeroMarginColumn(bottom);
  bottomColumn->addLayout(buttonRow);
  bottomColumn->addWidget(parts.console, 1);
  parts.splitter->setStretchFactor(0, 1);
  parts.splitter->setStretchFactor(1, 0);
  parts.splitter->setSizes({kWindowHeight, buttonRow->sizeHint().height() + kConsoleHeight});
  zeroMarginColumn(root)->addWidget(parts.splitter);
  return parts;
}

}  // namespace quarn
