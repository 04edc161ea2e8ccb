// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ContentView.h"

#include <Qsci/qsciscintilla.h>

#include <QKeySequence>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QShowEvent>
#include <QString>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <new>

#include "app/ConsoleFeed.h"
#include "app/ConsolePlaces.h"
#include "app/EditorNotes.h"
#include "app/LevelMeter.h"
#include "app/QtText.h"
#include "app/WarningCheck.h"
#include "audio/SampleFile.h"
#include "frontend/Parser.h"
#include "interp/Run.h"
#include "interp/WorkQueue.h"
#include "support/Diagnostics.h"
#include "support/OutOfMemory.h"

namespace quarn {
namespace {

// A console text of the run controller as lines: a closing line break ends the line.
QStringList linesOf(std::string_view text) {
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  return toQString(text).split('\n');
}

// A window-wide shortcut, so it also fires while the editor has the focus.
void addShortcut(QWidget* window, const QKeySequence& keys, std::function<void()> action) {
  auto* shortcut = new QShortcut(keys, window);
  shortcut->setContext(Qt::WindowShortcut);
  QObject::connect(shortcut, &QShortcut::activated, window, std::move(action));
}

}  // namespace

std::string errorPlaceText(const SourceLocation& location) {
  return "at line " + std::to_string(location.line) + ", column " + std::to_string(location.column);
}

ContentView::ContentView(std::shared_ptr<EngineManager> engine, QWidget* parent)
    : QWidget(parent),
      engine_(std::move(engine)),
      widgets_(buildWorkbenchLayout(this)),
      feed_(std::make_shared<ConsoleFeed>(this, kConsoleHistoryLines, [this] { takeConsoleLines(true); })),
      consolePlaces_(new ConsolePlaces(widgets_.console)),
      notes_(new EditorNotes(widgets_.editor)),
      warningCheck_(new WarningCheck(
          [this] { return sourceCode(); }, bundledSoundNames(engine_->resourcesDir()),
          [this](std::vector<ScriptWarning> found) { notes_->setWarnings(std::move(found)); }, this)) {
  connect(widgets_.editor, &QsciScintilla::textChanged, warningCheck_, [this] { warningCheck_->textChanged(); });
  connect(consolePlaces_, &ConsolePlaces::placeClicked, this, &ContentView::showPlace);
  setSourceCode(kInitialSourceCode);
  setConsoleLines(linesOf(kInitialLogOutput));
  connectActions();
  widgets_.meter->watch(engine_);
  setFocusProxy(widgets_.editor);
}

ContentView::~ContentView() { feed_->detach(); }

void ContentView::connectActions() {
  connect(widgets_.compileButton, &QPushButton::clicked, this, &ContentView::compileAndRun);
  connect(widgets_.haltButton, &QPushButton::clicked, this, &ContentView::haltSystem);
  addShortcut(this, QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { compileAndRun(); });
  addShortcut(this, QKeySequence(Qt::CTRL | Qt::Key_Enter), [this] { compileAndRun(); });
  addShortcut(this, QKeySequence(Qt::CTRL | Qt::Key_Period), [this] { haltSystem(); });
  addShortcut(this, QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { zoom(1); });
  addShortcut(this, QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { zoom(1); });
  addShortcut(this, QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { zoom(-1); });
  addShortcut(this, QKeySequence(Qt::CTRL | Qt::Key_0), [this] { resetZoom(); });
}

std::string ContentView::sourceCode() const { return widgets_.editor->text().toStdString(); }

void ContentView::setSourceCode(std::string_view text) {
  clearErrorMark();
  notes_->clearMessages();
  widgets_.editor->setText(toQString(text));
}

std::string ContentView::logOutput() const { return widgets_.console->toPlainText().toStdString(); }

void ContentView::setConsoleLines(const QStringList& lines) {
  widgets_.console->setPlainText(lines.join('\n'));
  widgets_.console->verticalScrollBar()->setValue(widgets_.console->verticalScrollBar()->maximum());
}

// appendPlainText keeps the view at the bottom only when it already was, so a
// reader who scrolled up is not pulled down by every batch.
void ContentView::appendConsoleLines(const QStringList& lines) {
  if (!lines.isEmpty()) widgets_.console->appendPlainText(lines.join('\n'));
}

void ContentView::addConsoleLine(std::string_view text) { appendConsoleLines({toQString(text)}); }

void ContentView::addParseError(std::string_view error, const SourceLocation& location) {
  appendConsoleLines({toQString(error), toQString(errorPlaceText(location))});
  markError(location);
}

void ContentView::takeConsoleLines(bool showLines) {
  ConsoleBatch batch = feed_->take();
  QStringList lines;
  std::vector<const ConsoleLine*> shown;
  for (const ConsoleLine& line : batch.lines) {
    if (!showLines || line.runId != consoleRunId_) continue;
    lines.append(toQString(line.text));
    shown.push_back(&line);
  }
  appendConsoleLines(lines);
  placeNewLines(shown);
  const bool wasRunning = isRunning();
  for (std::uint64_t runId : batch.endedRuns) liveRuns_.erase(runId);
  if (wasRunning != isRunning()) emit runningChanged();
}

// The lines were appended last, in order; a line may hold line breaks of its own.
void ContentView::placeNewLines(const std::vector<const ConsoleLine*>& lines) {
  if (!consoleRunText_) return;
  std::vector<std::pair<int, QString>> marks;  // in the order printed
  QTextBlock block = widgets_.console->document()->lastBlock();
  for (auto line = lines.rbegin(); line != lines.rend() && block.isValid(); ++line) {
    for (long breaks = std::ranges::count((*line)->text, '\n'); breaks > 0; --breaks) block = block.previous();
    if ((*line)->at != kNoSourceOffset && block.isValid()) {
      const SourceLocation where = consoleRunText_->locate((*line)->at);
      ConsolePlaces::setPlace(block, where);
      marks.emplace_back(static_cast<int>(where.line) - 1, toQString((*line)->text));
    }
    block = block.previous();
  }
  for (auto mark = marks.rbegin(); mark != marks.rend(); ++mark) notes_->addMessage(mark->first, mark->second);
}

void ContentView::showPlace(const SourceLocation& where) {
  notes_->moveCursorTo(where);
  widgets_.editor->setFocus();
}

void ContentView::compileAndRun() {
  engine_->isRunning.store(true);
  clearErrorMark();
  notes_->clearMessages();
  consoleRunText_.reset();
  const std::uint64_t runId = ++lastRunId_;
  consoleRunId_ = runId;  // whatever older runs still print stays out of this text
  QStringList console = linesOf(kCompilingText);
  try {
    std::string source = sourceCode();
    ParseResult result = parseScript(source);
    if (!result.ok()) {
      setConsoleLines(console << toQString(result.error) << toQString(errorPlaceText(result.errorLocation)));
      markError(result.errorLocation);
      return;
    }
    setConsoleLines(console << linesOf(kExecutionStartedText));
    consoleRunText_ = std::make_unique<SourceLines>(std::move(source));
    startConsoleRun(runId, std::move(*result.program));
  } catch (const std::bad_alloc&) {  // the run's own failures reach the console as its lines
    setConsoleLines(console << toQString(outOfMemoryLine("compiling the script")));
  }
}

void ContentView::startConsoleRun(std::uint64_t runId, ProgramNode program) {
  // The run's threads, the jobs they hand on included, print into this route.
  ScopedLineRoute scope(std::make_shared<const RoutedLineSink>(
      [feed = feed_, runId](std::string_view line, SourceOffset at) { feed->push({runId, std::string(line), at}); }));
  liveRuns_.insert(runId);
  if (liveRuns_.size() == 1) emit runningChanged();
  startRun(engine_, std::move(program), [feed = feed_, runId](std::shared_ptr<Evaluator> evaluator) {
    feed->push({runId, std::string(kExecutionCompleteText)});
    printLine(kEndOfSequencesLine);
    if (!evaluator) return feed->pushRunEnd(runId);
    // a run is going as long as its async bodies are; a worker waits for them
    const bool isWaiting = WorkQueue::global().submit([feed, runId, evaluator = std::move(evaluator)] {
      evaluator->waitForAsyncBodies();
      feed->pushRunEnd(runId);
    });
    if (!isWaiting) feed->pushRunEnd(runId);
  });
}

void ContentView::haltSystem() {
  // dropped first: printed before the halt, they would read as coming after it; the halt
  // ends sleeping waits at once, so the runs' end lines may follow within microseconds
  takeConsoleLines(false);
  engine_->halt();
  setConsoleLines(linesOf(logLine(kHaltedMessage)));
  emit halted();
}

void ContentView::markError(const SourceLocation& location) {
  QsciScintilla* editor = widgets_.editor;
  int line = 0, index = 0;
  editor->lineIndexFromPosition(static_cast<int>(location.offset), &line, &index);
  editor->SendScintilla(QsciScintillaBase::SCI_SETINDICATORCURRENT, kErrorIndicator);
  editor->SendScintilla(QsciScintillaBase::SCI_INDICATORFILLRANGE, static_cast<unsigned long>(location.offset),
                        static_cast<long>(location.length));
  editor->markerAdd(line, kErrorMarker);
  editor->setCursorPosition(line, index);
  editor->ensureLineVisible(line);
  editor->setFocus();
}

void ContentView::clearErrorMark() {
  QsciScintilla* editor = widgets_.editor;
  editor->SendScintilla(QsciScintillaBase::SCI_SETINDICATORCURRENT, kErrorIndicator);
  editor->SendScintilla(QsciScintillaBase::SCI_INDICATORCLEARRANGE, 0UL, static_cast<long>(editor->length()));
  editor->markerDeleteAll(kErrorMarker);
}

void ContentView::zoom(int steps) {
  zoom_ = std::clamp(zoom_ + steps, kMinZoom, kMaxZoom);
  applyZoom();
}

void ContentView::resetZoom() {
  zoom_ = 0;
  applyZoom();
}

void ContentView::applyZoom() {
  widgets_.editor->zoomTo(zoom_);
  widgets_.console->setFont(monospacedFont(kCaptionPixelSize + zoom_));
}

void ContentView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // show() appears the view; a window system's restore from a minimised state does not
  if (!event->spontaneous()) {
    engine_->start();
    emit runningChanged();  // the device is known now
  }
}

}  // namespace quarn
