#include "app/RunReporter.h"

#include <QMetaObject>
#include <QObject>


namespace quarn {

RunReporter::RunReporter(QObject* receiver, OnRunFinished onRunFinished)
    : receiver_(receiver), onRunFinished_(std::move(onRunFinished)) {}

void RunReporter::runFinished(std::string failure) {
  // Posting under the lock keeps the receiver alive until the event is queued;
  // from then on Qt drops the event if the receiver is deleted first.
  std::lock_guard<std::mutex> guard(mutex_);
  if (receiver_ != nullptr) {
    QMetaObject::invokeMethod(
        receiver_, [done = onRunFinished_, failure = std::move(failure)] { done(failure); }, Qt::QueuedConnection);
  }
}

void RunReporter::detach() {
  std::lock_guard<std::mutex> guard(mutex_);
  receiver_ = nullptr;
}

}  // namespace quarn
