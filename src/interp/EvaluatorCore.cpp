#include "interp/Evaluator.h"

#include <utility>

namespace quarn {

Evaluator::Evaluator(std::shared_ptr<EngineManager> engine, std::shared_ptr<Environment> environment)
    : engine(std::move(engine)),
      environment(std::move(environment)),
      generation_(this->engine ? this->engine->runGeneration() : 0),
      startFrame_(this->engine ? this->engine->clock().currentFrame() : 0) {}

}  // namespace quarn
