// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ConsoleFeed.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>

namespace quarn {

ConsoleFeed::ConsoleFeed(QObject* receiver, std::size_t maxLines, std::function<void()> onLines)
    : receiver_(receiver), maxLines_(maxLines), onLines_(std::move(onLines)) {}

void ConsoleFeed::push(ConsoleLine line) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (receiver_ == nullptr) return;
  if (lines_.size() >= maxLines_) lines_.pop_front();
  lines_.push_back(std::move(line));
  postDeliveryLocked();
}

void ConsoleFeed::pushRunEnd(std::uint64_t runId) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (receiver_ == nullptr) return;
  endedRuns_.push_back(runId);
  postDeliveryLocked();
}

// Posting under the lock keeps the receiver alive until the event is queued;
// from then on Qt drops the event if the receiver is deleted first.
void ConsoleFeed::postDeliveryLocked() {
  if (isDeliveryPosted_) return;
  isDeliveryPosted_ = true;
  QObject* receiver = receiver_;
  QMetaObject::invokeMethod(
      receiver, [receiver, onLines = onLines_] { QTimer::singleShot(kConsoleBatchInterval, receiver, onLines); },
      Qt::QueuedConnection);
}

ConsoleBatch ConsoleFeed::take() {
  std::lock_guard<std::mutex> guard(mutex_);
  isDeliveryPosted_ = false;
  ConsoleBatch batch;
  batch.lines.assign(std::make_move_iterator(lines_.begin()), std::make_move_iterator(lines_.end()));
  lines_.clear();
  batch.endedRuns.swap(endedRuns_);
  return batch;
}

void ConsoleFeed::detach() {
  std::lock_guard<std::mutex> guard(mutex_);
  receiver_ = nullptr;
}

}  // namespace quarn
