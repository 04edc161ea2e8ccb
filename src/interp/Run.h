#pragma once
// A run as the workbench's background job makes it: a fresh Environment (with
// the built-in constants) and Evaluator over the shared engine, then execute.

#include <memory>

#include "audio/EngineManager.h"
#include "frontend/Ast.h"
#include "interp/Evaluator.h"

namespace quarn {

// Executes the program's top level on the calling thread and returns the run's
// evaluator, whose async bodies may still be running.
std::shared_ptr<Evaluator> runProgram(std::shared_ptr<EngineManager> engine, const ProgramNode& program);

}  // namespace quarn
