// SPDX-License-Identifier: GPL-3.0-or-later
#include "interp/Evaluator.h"

#include "interp/Compiler.h"

#include <utility>

namespace quarn {

Evaluator::Evaluator(std::shared_ptr<EngineManager> engine, std::shared_ptr<Environment> environment)
    : engine(std::move(engine)),
      environment(std::move(environment)),
      generation_(this->engine ? this->engine->runGeneration() : 0),
      startFrame_(this->engine ? this->engine->clock().currentFrame() : 0),
      stallsSeen_(this->engine ? this->engine->clock().stalledFrames() : 0) {}

std::shared_ptr<const CodeTree> Evaluator::compile(const Node& root) {
  return Compiler(*environment).compile(root);
}

std::shared_ptr<const CodeTree> Evaluator::compile(const ProgramNode& program) {
  return Compiler(*environment).compile(program);
}

}  // namespace quarn
