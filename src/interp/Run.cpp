// SPDX-License-Identifier: GPL-3.0-or-later
#include "interp/Run.h"

#include <new>
#include <utility>

#include "interp/ScriptThread.h"
#include "interp/WorkQueue.h"
#include "support/Diagnostics.h"
#include "support/OutOfMemory.h"

namespace quarn {

// The caller has set the engine's isRunning; a cleared flag, or a halt since
// `generation` was taken, makes this a no-op. The top level starts at logical zero.
std::shared_ptr<Evaluator> runProgram(std::shared_ptr<EngineManager> engine, ProgramNode program,
                                      std::uint64_t generation) {
  auto environment = std::make_shared<Environment>();
  auto evaluator = std::make_shared<Evaluator>(engine, std::move(environment));
  if (engine->runGeneration() != generation) {
    evaluator->stopRun();
  }
  engine->turns().announce();
  ScriptThreadScope topLevel(*evaluator, 0);
  evaluator->runGuarded("running the script", [&] {
    const std::shared_ptr<const CodeTree> code = evaluator->compile(program);
    program = ProgramNode{};  // the compiled code is all the run needs from here on
    evaluator->execute(*code);
  });
  return evaluator;
}

// The generation is taken here, so a halt between "Compile and Run" and the
// job's start still stops this run.
void startRun(std::shared_ptr<EngineManager> engine, ProgramNode program, TopLevelDone onTopLevelDone) {
  const std::uint64_t generation = engine->runGeneration();
  // The job owns the report until it runs; a refused job hands it back here.
  auto report = std::make_shared<TopLevelDone>(std::move(onTopLevelDone));
  const bool isStarted = WorkQueue::global().submit([engine = std::move(engine), program = std::move(program),
                                                     report, generation]() mutable {
    std::shared_ptr<Evaluator> evaluator;
    try {
      evaluator = runProgram(engine, std::move(program), generation);
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
