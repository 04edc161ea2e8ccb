// The life of a run beyond one statement: whether it may go on, stopping it,
// and the async bodies it has handed to the work queue.

#include <new>
#include <string>
#include <utility>

#include "interp/Evaluator.h"
#include "interp/WorkQueue.h"
#include "support/Diagnostics.h"
#include "support/OutOfMemory.h"

namespace quarn {

bool Evaluator::mayContinue() const {
  return engine->isRunning.load() && !isStopped_.load();
}

void Evaluator::stopRun() {
  isStopped_.store(true);
}

void Evaluator::failRun(const std::string& line) {
  printLine(line);
  {
    std::lock_guard<std::mutex> hold(asyncMutex_);
    if (failure_.empty()) failure_ = line;
  }
  stopRun();
}

std::string Evaluator::failure() const {
  std::lock_guard<std::mutex> hold(asyncMutex_);
  return failure_;
}

void Evaluator::runGuarded(std::string_view activity, const std::function<void()>& work) {
  try {
    work();
  } catch (const std::bad_alloc&) {
    failRun(outOfMemoryLine(activity));
  }
}

void Evaluator::waitForAsyncBodies() {
  std::unique_lock<std::mutex> hold(asyncMutex_);
  asyncDone_.wait(hold, [this] { return pendingAsync_ == 0; });
}

// The job keeps the evaluator (and with it the environment and engine) alive and
// owns a copy of the body, whose shared subtrees outlive the caller's tree. The
// count goes up before the job exists, so a waiter can never see zero too early.
void Evaluator::submitAsync(const BlockNode& body) {
  bool isOverLimit = false;
  {
    std::lock_guard<std::mutex> hold(asyncMutex_);
    isOverLimit = pendingAsync_ >= kMaxAsyncBodies;
    if (!isOverLimit) {
      ++pendingAsync_;
    }
  }
  if (isOverLimit) {
    if (!isStopped_.exchange(true)) {
      printLine("[VRKLog] Async limit exceeded: more than " + std::to_string(kMaxAsyncBodies) +
                " async blocks of this run waiting or running; run stopped.");
    }
    return;
  }
  std::shared_ptr<Evaluator> self = shared_from_this();
  const bool isStarted = WorkQueue::global().submit([self = std::move(self), body]() {
    struct EndOfBody {
      Evaluator& evaluator;
      ~EndOfBody() { evaluator.asyncBodyEnded(); }
    } endOfBody{*self};
    self->runGuarded("running an async block", [&] { self->executeBlock(body); });
  });
  if (!isStarted) {
    failRun(std::string(kNoThreadForAsyncLine));
    asyncBodyEnded();
  }
}

void Evaluator::asyncBodyEnded() {
  std::lock_guard<std::mutex> hold(asyncMutex_);
  if (--pendingAsync_ == 0) {
    asyncDone_.notify_all();
  }
}

}  // namespace quarn
