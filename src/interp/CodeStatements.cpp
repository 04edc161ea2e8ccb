// SPDX-License-Identifier: GPL-3.0-or-later
// Statement steps. The running check before each statement is made by the
// block that holds it (Evaluator::runBlock).

#include "interp/CodeSteps.h"
#include "interp/VariableSlot.h"
#include "support/Diagnostics.h"

namespace quarn {

namespace {

// Body runs one execution of a while statement may make before the guard cuts it off.
constexpr int kLoopGuardPasses = 10000;

constexpr std::string_view kLoopGuardMessage =
    "SYSTEM OVERLOAD: Infinite loop detected! For hardware protection, forcibly exit while loop.";

}  // namespace

void CodeSteps::nothing(const Code&, Evaluator&) {}

void CodeSteps::program(const Code& code, Evaluator& run) { run.executeProgram(code.block); }

void CodeSteps::block(const Code& code, Evaluator& run) { run.runBlock(code.block); }

void CodeSteps::ifElse(const Code& code, Evaluator& run) {
  run.runBlock(code.first->evaluate(*code.first, run).truth() ? code.block : code.otherBlock);
}

// The guard counts body runs, not condition tests. A loop whose run was stopped
// ends quietly: the guard's line is only for loops that really ran away.
void CodeSteps::whileLoop(const Code& code, Evaluator& run) {
  for (int remaining = kLoopGuardPasses;;) {
    if (!code.first->evaluate(*code.first, run).truth()) {
      return;
    }
    run.runBlock(code.block);
    if (!run.mayContinue()) {
      return;
    }
    if (--remaining == 0) {
      printLine(logLine(kLoopGuardMessage), code.sourceOffset);
      return;
    }
  }
}

void CodeSteps::declare(const Code& code, Evaluator& run) {
  code.variable->define(code.first->evaluate(*code.first, run), code.isConst);
}

void CodeSteps::assign(const Code& code, Evaluator& run) {
  code.variable->assign(code.first->evaluate(*code.first, run));
}

void CodeSteps::declareMethod(const Code& code, Evaluator& run) {
  run.environment->defineMethod(*code.methodSlot, *static_cast<const MethodCode*>(code.detail),
                                code.tree->shared_from_this());
}

void CodeSteps::async(const Code& code, Evaluator& run) {
  run.submitAsync(code.block, code.tree->shared_from_this(), code.sourceOffset);
}

}  // namespace quarn
