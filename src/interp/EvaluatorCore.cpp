#include "interp/Evaluator.h"

#include <utility>

namespace quarn {

Evaluator::Evaluator(std::shared_ptr<EngineManager> engine, std::shared_ptr<Environment> environment)
    : engine(std::move(engine)),
      environment(std::move(environment)),
      generation_(this->engine ? this->engine->runGeneration() : 0),
      startFrame_(this->engine ? this->engine->clock().currentFrame() : 0) {}

void Evaluator::bindProgramNames(const ProgramNode& program) {
  const bool bindable = program.names != nullptr && environment->bindNames(program.names);
  SlotBinding undecided = SlotBinding::undecided;
  if (!bindable) {
    slotBinding_.store(SlotBinding::byName);
  } else {
    slotBinding_.compare_exchange_strong(undecided, SlotBinding::bound);
  }
}

}  // namespace quarn
