#include "app/BackgroundRun.h"

#include <QMetaObject>
#include <QObject>

#include "interp/Run.h"
#include "interp/WorkQueue.h"

namespace quarn {

RunReporter::RunReporter(QObject* receiver, std::function<void()> onRunFinished)
    : receiver_(receiver), onRunFinished_(std::move(onRunFinished)) {}

void RunReporter::runFinished() {
  // Posting under the lock keeps the receiver alive until the event is queued;
  // from then on Qt drops the event if the receiver is deleted first.
  std::lock_guard<std::mutex> guard(mutex_);
  if (receiver_ != nullptr) {
    QMetaObject::invokeMethod(receiver_, onRunFinished_, Qt::QueuedConnection);
  }
}

void RunReporter::detach() {
  std::lock_guard<std::mutex> guard(mutex_);
  receiver_ = nullptr;
}

void submitRun(std::shared_ptr<EngineManager> engine, ProgramNode program,
               std::shared_ptr<RunReporter> reporter) {
  WorkQueue::global().submit(
      [engine = std::move(engine), program = std::move(program), reporter = std::move(reporter)] {
        // The evaluator is dropped here; async bodies it started keep their own hold on it.
        runProgram(engine, program);
        reporter->runFinished();
      });
}

}  // namespace quarn
