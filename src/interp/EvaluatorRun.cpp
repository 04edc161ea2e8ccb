// SPDX-License-Identifier: GPL-3.0-or-later
// The life of a run beyond one statement: whether it may go on, stopping it,
// its threads' logical time and waits, and the async bodies it has handed to
// the work queue.

#include <cmath>
#include <new>
#include <string>
#include <utility>

#include "audio/EngineLimits.h"
#include "interp/Evaluator.h"
#include "interp/ScriptThread.h"
#include "interp/WorkQueue.h"
#include "support/Diagnostics.h"
#include "support/OutOfMemory.h"

namespace quarn {

void Evaluator::stopRun() {
  isStopped_.store(true);
  engine->clock().wakeAll();
}

LogicalNanos Evaluator::logicalNow() const {
  if (const ScriptThreadScope* scope = ScriptThreadScope::currentFor(*this)) {
    return scope->now;
  }
  const std::int64_t elapsed = engine->clock().currentFrame() - startFrame_;
  return elapsed > 0 ? nanosFromFrames(elapsed) : 0;
}

SoundStamp Evaluator::soundStamp() const {
  return {frameAt(logicalNow()) + engine->latencyFrames(), generation_};
}

void Evaluator::executeProgram(const CodeBlock& statements) {
  if (ScriptThreadScope::currentFor(*this) != nullptr) {
    runBlock(statements);
    return;
  }
  engine->turns().announce();
  ScriptThreadScope scope(*this, logicalNow());
  runBlock(statements);
}

// NaN, zero and negative waits return at once; longer ones, infinity included,
// are capped at kMaxWaitSeconds. The thread's logical time moves by exactly the
// wait, and the sleep ends at the moment that time is due, so time spent
// interpreting between waits never adds up; a thread a little behind catches up
// by not sleeping, one far behind starts again from now.
bool Evaluator::waitSeconds(double seconds, SourceOffset at) {
  if (!(seconds > 0.0)) {
    return mayContinue();
  }
  const double capped = seconds < kMaxWaitSeconds ? seconds : kMaxWaitSeconds;
  const auto nanos = static_cast<LogicalNanos>(std::llround(capped * static_cast<double>(kNanosPerSecond)));
  ScriptThreadScope* scope = ScriptThreadScope::currentFor(*this);
  if (scope == nullptr) {
    return engine->clock().sleepUntil(frameAt(logicalNow() + nanos), [this] { return !mayContinue(); });
  }
  scope->now += nanos;
  const std::int64_t maxLag = framesFromNanos(LogicalNanos{kMaxLagMilliseconds} * 1'000'000);
  // a stalled device holds its time still: what the stall cost is told, and
  // the sound goes on from where it stood
  // (read first: the count changes only at a stall, and every wait passes here)
  const std::int64_t stalled = engine->clock().stalledFrames();
  if (stalled != stallsSeen_.load(std::memory_order_relaxed)) {
    const std::int64_t missed = stalled - stallsSeen_.exchange(stalled);
    if (missed > maxLag) reportFallingBehind(missed, at);
  }
  const std::int64_t behind = engine->clock().currentFrame() - frameAt(scope->now);
  if (behind > maxLag) {
    scope->now += nanosFromFrames(behind);
    reportFallingBehind(behind, at);
    return mayContinue();
  }
  return engine->clock().sleepUntil(frameAt(scope->now), [this] { return !mayContinue(); });
}

void Evaluator::reportFallingBehind(std::int64_t frames, SourceOffset at) {
  if (hasFallenBehind_.exchange(true)) return;
  printLine(logLine("Timing: a sequence fell ", std::to_string(nanosFromFrames(frames) / 1'000'000),
                    " ms behind its beat; it goes on from now."),
            at);
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

// The job keeps the evaluator (and with it the environment and engine) and the
// body's compiled tree alive. The count goes up before the job exists, so a
// waiter can never see zero too early.
void Evaluator::submitAsync(const CodeBlock& body, std::shared_ptr<const CodeTree> owner, SourceOffset at) {
  const auto stopAtLimit = [this, at](const std::string& why) {
    if (!isStopped_.exchange(true)) {
      engine->clock().wakeAll();
      printLine(logLine("Async limit exceeded: ", why, "; run stopped."), at);
    }
  };
  bool isOverLimit = false;
  {
    std::lock_guard<std::mutex> hold(asyncMutex_);
    isOverLimit = pendingAsync_ >= kMaxAsyncBodies;
    if (!isOverLimit) {
      ++pendingAsync_;
    }
  }
  if (isOverLimit) {
    stopAtLimit("more than " + std::to_string(kMaxAsyncBodies) + " async blocks of this run waiting or running");
    return;
  }
  // The body starts at the logical time of the async statement. Threads taking
  // turns refuse a body no worker can take while all wait for time to move.
  const LogicalNanos start = logicalNow();
  if (!engine->turns().announce()) {
    asyncBodyEnded();
    stopAtLimit("more than " + std::to_string(kMaxWorkers) +
                " async blocks of this render waiting at once, which is as many as it has workers");
    return;
  }
  std::shared_ptr<Evaluator> self = shared_from_this();
  const bool isStarted = WorkQueue::global().submit([self = std::move(self), owner = std::move(owner), body, start]() {
    struct EndOfBody {
      Evaluator& evaluator;
      ~EndOfBody() { evaluator.asyncBodyEnded(); }
    } endOfBody{*self};
    ScriptThreadScope scope(*self, start);
    self->runGuarded("running an async block", [&] { self->runBlock(body); });
  });
  if (!isStarted) {
    engine->turns().cancelAnnouncement();  // announced above, it never begins
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
