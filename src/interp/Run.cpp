#include "interp/Run.h"

#include <new>
#include <utility>

#include "interp/WorkQueue.h"
#include "support/Diagnostics.h"
#include "support/OutOfMemory.h"

namespace quarn {

// The caller has set the engine's isRunning; a cleared flag makes this a no-op.
std::shared_ptr<Evaluator> runProgram(std::shared_ptr<EngineManager> engine, const ProgramNode& program) {
  auto environment = std::make_shared<Environment>();
  auto evaluator = std::make_shared<Evaluator>(std::move(engine), std::move(environment));
  evaluator->runGuarded("running the script", [&] { evaluator->execute(Node{NodeVariant{program}}); });
  return evaluator;
}

void startRun(std::shared_ptr<EngineManager> engine, ProgramNode program, TopLevelDone onTopLevelDone) {
  // The job owns the report until it runs; a refused job hands it back here.
  auto report = std::make_shared<TopLevelDone>(std::move(onTopLevelDone));
  const bool isStarted = WorkQueue::global().submit([engine = std::move(engine), program = std::move(program), report] {
    std::shared_ptr<Evaluator> evaluator;
    try {
      evaluator = runProgram(engine, program);
    } catch (const std::bad_alloc&) {
      printLine(outOfMemoryLine("starting the run"));
    } catch (...) {
      // the report still comes, so nobody waits for a run that is gone
    }
    (*report)(std::move(evaluator));
  });
  if (!isStarted) {
    printLine(kNoThreadForRunLine);
    (*report)(nullptr);
  }
}

}  // namespace quarn
