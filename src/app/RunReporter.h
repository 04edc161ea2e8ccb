#pragma once
// A run's report back to the window.
//
// RunReporter carries "the top level of a run is done" from the run's worker
// thread to the main thread, for as long as the window lives. The worker holds
// the reporter (shared), never the window: once the window detaches, reports are
// dropped, and a report already posted is discarded by Qt with its receiver.
//
// Threads: construction and detach on the main thread; runFinished from any
// thread; the callback always runs on the main thread.

#include <functional>
#include <memory>
#include <mutex>

class QObject;

namespace quarn {

class RunReporter {
public:
  // onRunFinished runs on receiver's (main) thread, only while receiver lives.
  RunReporter(QObject* receiver, std::function<void()> onRunFinished);
  RunReporter(const RunReporter&) = delete;
  RunReporter& operator=(const RunReporter&) = delete;

  // Posts onRunFinished to the main thread unless the receiver has detached.
  void runFinished();
  // Called by the receiver before it goes; later reports are dropped.
  void detach();

private:
  std::mutex mutex_;
  QObject* receiver_;  // null once detached; guarded by mutex_
  const std::function<void()> onRunFinished_;
};

}  // namespace quarn
