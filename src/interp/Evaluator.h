#pragma once
// The tree-walking interpreter of one run. One Evaluator per run, shared by the
// run's main flow and every async body it starts (each on its own worker thread):
// evaluate (expressions), execute (statements) and handleMethodCall (sends) call
// one another recursively. Held through std::shared_ptr; async jobs keep it alive.

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
#include "interp/Environment.h"
#include "interp/IntegerOperators.h"
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

  // Expressions (never fail; problems yield none and print a line).
  QuarnValue evaluate(const Node& node);
  QuarnValue applyBinaryOperator(const QuarnValue& left, const Token& op, const QuarnValue& right) const {
    if (left.kind() == ValueKind::intValue && right.kind() == ValueKind::intValue && isIntegerFastOperator(op.kind)) {
      return applyInIntegerMode(op.kind, left.asInt(), right.asInt());  // the common case, inline
    }
    return applyBinaryOperatorSlowly(left, op, right);
  }
  QuarnValue applyUnaryOperator(const Token& op, const QuarnValue& operand) const;

  // Statements: returns at once when the run may not go on.
  void execute(const Node& node);
  // Message sends to self, sampler and tb303.
  void handleMethodCall(const MethodCallNode& call);

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
  void executeProgram(const ProgramNode& program);
  // [self wait:] on the calling thread's clock; false when the run was stopped.
  bool waitSeconds(double seconds);
  // When a sound change sent now by the calling thread applies: its logical
  // time plus the engine's schedule-ahead latency.
  SoundStamp soundStamp() const;

private:
  struct ExpressionWalk;  // the per-kind results of evaluate (Evaluate.cpp)
  struct StatementWalk;   // the per-kind actions of execute (Execute.cpp)

  // A node's slot while only programs with the bound names have run, else kUnresolvedSlot.
  SlotId usableSlot(SlotId slot) const {
    return slotBinding_.load(std::memory_order_relaxed) == SlotBinding::bound ? slot : kUnresolvedSlot;
  }
  void bindProgramNames(const ProgramNode& program);

  // Operators.cpp: every case but an int with an int under the fast operators
  QuarnValue applyBinaryOperatorSlowly(const QuarnValue& left, const Token& op, const QuarnValue& right) const;

  // Evaluate.cpp: an absent child reads as none
  QuarnValue evaluateOrNone(const NodePtr& expression);

  // Execute.cpp
  void executeStatements(const NodeList& statements);
  void executeBlock(const BlockNode& block);  // each statement with the running check
  void executeIf(const IfNode& node);
  void executeWhile(const WhileNode& loop);

  // Dispatch.cpp
  void sendToSelf(const MethodCallNode& call);
  void sendToSampler(const MethodCallNode& call);
  void sendToTb303(const MethodCallNode& call);
  void callMethod(const MethodCallNode& call);  // a declared method, on this thread

  // EvaluatorRun.cpp
  void submitAsync(const BlockNode& body);
  void asyncBodyEnded();

  const std::uint64_t generation_;  // the engine's run generation when this run began
  const std::int64_t startFrame_;    // the clock's frame of logical time zero
  std::atomic<bool> isStopped_{false};
  // Whether node slots index the environment's bound names: decided by the first
  // program run, and given up for good once a program with other names runs.
  enum class SlotBinding : std::uint8_t { undecided, bound, byName };
  std::atomic<SlotBinding> slotBinding_{SlotBinding::undecided};
  std::atomic<bool> hasFallenBehind_{false};
  mutable std::mutex asyncMutex_;
  std::condition_variable asyncDone_;
  int pendingAsync_ = 0;  // guarded by asyncMutex_
  std::string failure_;   // guarded by asyncMutex_
};

}  // namespace quarn
