// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The interpreter of one run. One Evaluator per run, shared by the run's main
// flow and every async body it starts (each on its own worker thread). A tree
// is compiled against the run's environment (Code.h) and then run: each
// compiled node calls its operands' steps directly (CodeSteps.h). Held through
// std::shared_ptr; async jobs keep it alive.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "audio/Clock.h"
#include "audio/EngineManager.h"
#include "frontend/Ast.h"
#include "interp/Code.h"
#include "interp/Environment.h"
#include "interp/QuarnValue.h"

namespace quarn {

// How deep methods may call methods (directly or through others) on one thread
// before the run is stopped with a message naming the method.
inline constexpr int kMaxCallDepth = 200;
// How many async bodies of one run may be waiting or running at once; a script
// that keeps multiplying them is stopped before it exhausts memory.
inline constexpr int kMaxAsyncBodies = 50000;
// Printed when an async block cannot run because no thread can be started.
inline constexpr std::string_view kNoThreadForAsyncLine =
    "quarn: no thread could be started for an async block (too many threads or too little memory); run stopped.";
// A thread whose wait ends further than this behind its logical time (a long
// computation between waits) does not rush through the missed beats: its time
// moves to now, and the run says so once.
inline constexpr int kMaxLagMilliseconds = 250;

class Evaluator : public std::enable_shared_from_this<Evaluator> {
public:
  Evaluator(std::shared_ptr<EngineManager> engine, std::shared_ptr<Environment> environment);

  const std::shared_ptr<EngineManager> engine;
  const std::shared_ptr<Environment> environment;

  // A tree (a program, a statement or an expression) compiled against this
  // run's environment.
  std::shared_ptr<const CodeTree> compile(const Node& root);
  std::shared_ptr<const CodeTree> compile(const ProgramNode& program);

  // Expressions never fail: problems yield none and print a line.
  QuarnValue evaluate(const CodeTree& tree) { return tree.root->evaluate(*tree.root, *this); }
  // Statements: returns at once when the run may not go on.
  void execute(const CodeTree& tree) {
    if (mayContinue()) tree.root->execute(*tree.root, *this);
  }
  void execute(const Node& node) { execute(*compile(node)); }

  // Each statement in turn, with the running check before it.
  void runBlock(const CodeBlock& block) {
    for (const Code& step : block) {
      if (!mayContinue()) return;
      step.execute(step, *this);
    }
  }

  // The engine's isRunning, no halt since this run began, and this run not
  // stopped by its own guard.
  // Inline: it runs before every statement.
  bool mayContinue() const {
    return engine->isRunning.load() && !isStopped_.load() && engine->runGeneration() == generation_;
  }
  // Stops this run only (its main flow and its async bodies), not other runs;
  // its sleeping waits end at once.
  void stopRun();
  bool isStopped() const { return isStopped_.load(); }

  // Blocks until every async body this run started (including nested ones) has ended.
  void waitForAsyncBodies();

  // Runs work (the top level or an async body); an allocation failure inside it
  // prints the out-of-memory line naming activity and stops this run.
  void runGuarded(std::string_view activity, const std::function<void()>& work);
  // The line that ended this run as failed (out of memory, no thread), or empty.
  std::string failure() const;
  // Prints line and stops this run as failed; the first such line is kept.
  void failRun(const std::string& line);
  // The render frame of logical time `at` of this run.
  std::int64_t frameAt(LogicalNanos at) const { return startFrame_ + framesFromNanos(at); }
  // The calling thread's logical time in this run.
  LogicalNanos logicalNow() const;
  // Runs a program's statements as a script thread of this run (a top level
  // that is not already one starts at the time elapsed since the run began).
  void executeProgram(const CodeBlock& statements);
  // [self wait:] on the calling thread's clock; false when the run was stopped.
  // `at` is where the wait stands, for the line a late thread prints.
  bool waitSeconds(double seconds, SourceOffset at = kNoSourceOffset);
  // When a sound change sent now by the calling thread applies: its logical
  // time plus the engine's schedule-ahead latency.
  SoundStamp soundStamp() const;

private:
  friend struct CodeSteps;

  // Says once per run that a thread fell `frames` behind its beat.
  void reportFallingBehind(std::int64_t frames, SourceOffset at);

  // EvaluatorRun.cpp: hands body to the work queue; the job keeps owner alive.
  void submitAsync(const CodeBlock& body, std::shared_ptr<const CodeTree> owner, SourceOffset at);
  void asyncBodyEnded();

  const std::uint64_t generation_;  // the engine's run generation when this run began
  const std::int64_t startFrame_;    // the clock's frame of logical time zero
  std::atomic<bool> isStopped_{false};
  std::atomic<bool> hasFallenBehind_{false};
  std::atomic<std::int64_t> stallsSeen_;  // the clock's stalled frames at the last wait
  mutable std::mutex asyncMutex_;
  std::condition_variable asyncDone_;
  int pendingAsync_ = 0;  // guarded by asyncMutex_
  std::string failure_;   // guarded by asyncMutex_
};

}  // namespace quarn
