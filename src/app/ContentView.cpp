#include "app/ContentView.h"

#include <QCloseEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QString>

#include <new>

#include "app/RunReporter.h"
#include "frontend/Parser.h"
#include "interp/Run.h"
#include "support/Diagnostics.h"
#include "support/OutOfMemory.h"

namespace quarn {
namespace {

QString toQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A window-wide shortcut, so it also fires while the editor has the focus.
void addShortcut(QWidget* window, const QKeySequence& keys, std::function<void()> action) {
  auto* shortcut = new QShortcut(keys, window);
  shortcut->setContext(Qt::WindowShortcut);
  QObject::connect(shortcut, &QShortcut::activated, window, std::move(action));
}

}  // namespace

ContentView::ContentView(std::shared_ptr<EngineManager> engine, QWidget* parent)
    : QWidget(parent),
      engine_(std::move(engine)),
      widgets_(buildWorkbenchLayout(this)),
      reporter_(std::make_shared<RunReporter>(this, [this](const std::string& failure) { finishRun(failure); })) {
  setWindowTitle(QString());
  setSourceCode(kInitialSourceCode);
  setLogOutput(std::string(kInitialLogOutput));
  connectActions();
}

ContentView::~ContentView() { reporter_->detach(); }

void ContentView::connectActions() {
  connect(widgets_.compileButton, &QPushButton::clicked, this, &ContentView::compileAndRun);
  connect(widgets_.haltButton, &QPushButton::clicked, this, &ContentView::haltSystem);
  addShortcut(this, QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { compileAndRun(); });
  addShortcut(this, QKeySequence(Qt::CTRL | Qt::Key_Enter), [this] { compileAndRun(); });
  addShortcut(this, QKeySequence(Qt::CTRL | Qt::Key_Period), [this] { haltSystem(); });
}

std::string ContentView::sourceCode() const { return widgets_.editor->toPlainText().toStdString(); }

void ContentView::setSourceCode(std::string_view text) { widgets_.editor->setPlainText(toQString(text)); }

void ContentView::setLogOutput(std::string text) {
  logOutput_ = std::move(text);
  widgets_.console->setText(QString::fromStdString(logOutput_));
}

void ContentView::compileAndRun() {
  engine_->isRunning.store(true);
  setLogOutput(std::string(kCompilingText));
  try {
    ParseResult result = compile(sourceCode());
    if (!result.ok()) {
      setLogOutput(logOutput_ + result.error);
      return;
    }
    setLogOutput(logOutput_ + std::string(kExecutionStartedText));
    startRun(engine_, std::move(*result.program), [reporter = reporter_](std::shared_ptr<Evaluator> evaluator) {
      reporter->runFinished(evaluator ? evaluator->failure() : std::string(kRunNotStartedText));
    });
  } catch (const std::bad_alloc&) {
    setLogOutput(logOutput_ + outOfMemoryLine("compiling the script"));
  }
}

void ContentView::finishRun(const std::string& failure) {
  setLogOutput(logOutput_ + (failure.empty() ? "" : failure + "\n") + std::string(kExecutionCompleteText));
  printLine(kEndOfSequencesLine);
}

void ContentView::haltSystem() {
  engine_->halt();
  setLogOutput(std::string(kHaltedText));
}

void ContentView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // show() appears the view; a window system's restore from a minimised state does not
  if (!event->spontaneous()) {
    engine_->start();
  }
}

void ContentView::closeEvent(QCloseEvent* event) {
  // runs still going stop at their next statement; a wait in progress ends on its own
  engine_->isRunning.store(false);
  QWidget::closeEvent(event);
}

}  // namespace quarn
