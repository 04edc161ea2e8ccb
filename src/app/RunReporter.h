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
#include <string>

class QObject;

namespace quarn {

class RunReporter {
public:
  // onRunFinished runs on receiver's (main) thread, only while receiver lives,
  // with the line that ended the run as failed (empty when it did not fail).
  using OnRunFinished = std::function<void(const std::string& failure)>;
  RunReporter(QObject* receiver, OnRunFinished onRunFinished);
  RunReporter(const RunReporter&) = delete;
  RunReporter& operator=(const RunReporter&) = delete;

  // Posts onRunFinished to the main thread unless the receiver has detached.
  void runFinished(std::string failure = {});
  // Called by the receiver before it goes; later reports are dropped.
  void detach();

private:
  std::mutex mutex_;
  QObject* receiver_;  // null once detached; guarded by mutex_
  const OnRunFinished onRunFinished_;
};

}  // namespace quarn
