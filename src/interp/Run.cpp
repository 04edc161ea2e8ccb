#include "interp/Run.h"

#include <utility>

namespace quarn {

// The caller has set the engine's isRunning; a cleared flag makes this a no-op.
std::shared_ptr<Evaluator> runProgram(std::shared_ptr<EngineManager> engine, const ProgramNode& program) {
  auto environment = std::make_shared<Environment>();
  auto evaluator = std::make_shared<Evaluator>(std::move(engine), std::move(environment));
  evaluator->execute(Node{NodeVariant{program}});
  return evaluator;
}

}  // namespace quarn
