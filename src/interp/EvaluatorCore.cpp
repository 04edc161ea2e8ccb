#include "interp/Evaluator.h"

#include <utility>

namespace quarn {

Evaluator::Evaluator(std::shared_ptr<EngineManager> engine, std::shared_ptr<Environment> environment)
    : engine(std::move(engine)), environment(std::move(environment)) {}

void Evaluator::bindProgramNames(const ProgramNode& program) {
  slotsBound_ = program.names != nullptr && environment->bindNames(program.names);
}

}  // namespace quarn
