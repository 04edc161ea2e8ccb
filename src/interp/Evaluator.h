#pragma once
// The tree-walking interpreter of one run. One Evaluator per run, shared by the
// run's main flow and every async body it starts (each on its own worker thread):
// evaluate (expressions), execute (statements) and handleMethodCall (sends) call
// one another recursively. Held through std::shared_ptr; async jobs keep it alive.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "audio/EngineManager.h"
#include "frontend/Ast.h"
#include "interp/Environment.h"
#include "interp/QuarnValue.h"

namespace quarn {

// How deep methods may call methods (directly or through others) on one thread
// before the run is stopped with a message naming the method.
inline constexpr int kMaxCallDepth = 200;
// How many async bodies of one run may be waiting or running at once; a script
// that keeps multiplying them is stopped before it exhausts memory.
inline constexpr int kMaxAsyncBodies = 50000;

class Evaluator : public std::enable_shared_from_this<Evaluator> {
public:
  Evaluator(std::shared_ptr<EngineManager> engine, std::shared_ptr<Environment> environment);

  const std::shared_ptr<EngineManager> engine;
  const std::shared_ptr<Environment> environment;

  // Expressions (never fail; problems yield none and print a line).
  QuarnValue evaluate(const Node& node);
  QuarnValue applyBinaryOperator(const QuarnValue& left, const Token& op, const QuarnValue& right) const;
  QuarnValue applyUnaryOperator(const Token& op, const QuarnValue& operand) const;

  // Statements: returns at once when the run may not go on.
  void execute(const Node& node);
  // Message sends to self, sampler and tb303.
  void handleMethodCall(const MethodCallNode& call);

  // The engine's isRunning, and this run not stopped by its own guard.
  bool mayContinue() const;
  // Stops this run only (its main flow and its async bodies), not other runs.
  void stopRun();
  bool isStopped() const { return isStopped_.load(); }

  // Blocks until every async body this run started (including nested ones) has ended.
  void waitForAsyncBodies();

private:
  struct ExpressionWalk;  // the per-kind results of evaluate (Evaluate.cpp)
  struct StatementWalk;   // the per-kind actions of execute (Execute.cpp)

  // A node's slot while only programs with the bound names have run, else kUnresolvedSlot.
  SlotId usableSlot(SlotId slot) const {
    return slotBinding_.load(std::memory_order_relaxed) == SlotBinding::bound ? slot : kUnresolvedSlot;
  }
  void bindProgramNames(const ProgramNode& program);

  // Evaluate.cpp: an absent child reads as none
  QuarnValue evaluateOrNone(const NodePtr& expression);

  // Execute.cpp
  void executeStatements(const NodeList& statements);
  void executeBlock(const BlockNode& block);  // with the running check
  void executeIf(const IfNode& node);
  void executeWhile(const WhileNode& loop);

  // Dispatch.cpp
  void sendToSelf(const MethodCallNode& call);
  void sendToSampler(const MethodCallNode& call);
  void sendToTb303(const MethodCallNode& call);
  void callMethod(const std::string& selector);

  // EvaluatorRun.cpp
  void submitAsync(const BlockNode& body);
  void asyncBodyEnded();

  std::atomic<bool> isStopped_{false};
  // Whether node slots index the environment's bound names: decided by the first
  // program run, and given up for good once a program with other names runs.
  enum class SlotBinding : std::uint8_t { undecided, bound, byName };
  std::atomic<SlotBinding> slotBinding_{SlotBinding::undecided};
  std::mutex asyncMutex_;
  std::condition_variable asyncDone_;
  int pendingAsync_ = 0;  // guarded by asyncMutex_
};

}  // namespace quarn
