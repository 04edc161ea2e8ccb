// Statement execution: the running check on every entry, then one action per
// node kind. Expressions used as statements are not evaluated.

#include "interp/Evaluator.h"
#include "support/Diagnostics.h"

namespace quarn {

namespace {

// Body runs one execution of a while statement may make before the guard cuts it off.
constexpr int kLoopGuardPasses = 10000;

constexpr const char* kLoopGuardMessage =
    "[VRKLog] SYSTEM OVERLOAD: Infinite loop detected! For hardware protection, forcibly exit while loop.";

}  // namespace

// The statement kinds; every other kind (an expression statement) does nothing.
struct Evaluator::StatementWalk {
  Evaluator& evaluator;

  void operator()(const ProgramNode& node) const {
    evaluator.bindProgramNames(node);
    evaluator.executeProgram(node);
  }
  void operator()(const BlockNode& node) const { evaluator.executeStatements(node.statements); }
  void operator()(const IfNode& node) const { evaluator.executeIf(node); }
  void operator()(const WhileNode& node) const { evaluator.executeWhile(node); }
  void operator()(const AsyncNode& node) const { evaluator.submitAsync(node.body); }
  void operator()(const MethodCallNode& node) const { evaluator.handleMethodCall(node); }

  void operator()(const VariableDeclarationNode& node) const {
    evaluator.environment->define(evaluator.usableSlot(node.slot), node.name, evaluator.evaluateOrNone(node.value),
                                  node.isConst);
  }
  void operator()(const AssignmentNode& node) const {
    evaluator.environment->assign(evaluator.usableSlot(node.slot), node.name, evaluator.evaluateOrNone(node.value));
  }
  void operator()(const FunctionDeclNode& node) const { evaluator.environment->defineFunction(node); }

  template <class Expression>
  void operator()(const Expression&) const {}
};

void Evaluator::execute(const Node& node) {
  if (!mayContinue()) {
    return;
  }
  visitNode(node, StatementWalk{*this});
}

void Evaluator::executeStatements(const NodeList& statements) {
  for (const NodePtr& statement : statements) {
    if (statement) {
      execute(*statement);
    }
  }
}

// A block reached other than as a node of its own (a branch, a loop or method
// body, an async body): each of its statements gets the running check in
// execute, and an empty block does nothing, so no check of its own is needed.
void Evaluator::executeBlock(const BlockNode& block) {
  executeStatements(block.statements);
}

void Evaluator::executeIf(const IfNode& node) {
  if (evaluateOrNone(node.condition).truth()) {
    executeBlock(node.thenBranch);
  } else if (node.elseBranch) {
    executeBlock(*node.elseBranch);
  }
}

// The guard counts body runs, not condition tests. A loop whose run was stopped
// ends quietly: the guard's line is only for loops that really ran away.
void Evaluator::executeWhile(const WhileNode& loop) {
  for (int remaining = kLoopGuardPasses;;) {
    if (!evaluateOrNone(loop.condition).truth()) {
      return;
    }
    executeBlock(loop.body);
    if (!mayContinue()) {
      return;
    }
    if (--remaining == 0) {
      printLine(kLoopGuardMessage);
      return;
    }
  }
}

}  // namespace quarn
