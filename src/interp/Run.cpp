#include "interp/Run.h"

#include <utility>

#include "interp/WorkQueue.h"

namespace quarn {

// The caller has set the engine's isRunning; a cleared flag makes this a no-op.
std::shared_ptr<Evaluator> runProgram(std::shared_ptr<EngineManager> engine, const ProgramNode& program) {
  auto environment = std::make_shared<Environment>();
  auto evaluator = std::make_shared<Evaluator>(std::move(engine), std::move(environment));
  evaluator->execute(Node{NodeVariant{program}});
  return evaluator;
}

void startRun(std::shared_ptr<EngineManager> engine, ProgramNode program, TopLevelDone onTopLevelDone) {
  WorkQueue::global().submit([engine = std::move(engine), program = std::move(program),
                              onTopLevelDone = std::move(onTopLevelDone)] {
    std::shared_ptr<Evaluator> evaluator;
    try {
      evaluator = runProgram(engine, program);
    } catch (...) {
      // the report still comes, so nobody waits for a run that is gone
    }
    onTopLevelDone(std::move(evaluator));
  });
}

}  // namespace quarn
