// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A run as the workbench's background job makes it: a fresh Environment (with
// the built-in constants) and Evaluator over the shared engine, then execute.

#include <functional>
#include <memory>
#include <string_view>

#include "audio/EngineManager.h"
#include "frontend/Ast.h"
#include "interp/Evaluator.h"

namespace quarn {

// Printed to standard output once a run's top level is done.
inline constexpr std::string_view kEndOfSequencesLine = "End of all sequences.";

// Printed when no thread can be started for a run's top level; the run does not start.
inline constexpr std::string_view kNoThreadForRunLine =
    "quarn: no thread could be started for the run (too many threads or too little memory); the run did not start.";

// Executes the program's top level on the calling thread and returns the run's
// evaluator, whose async bodies may still be running. A halt of the engine
// since its run generation was `generation` leaves the run stopped. The
// syntax tree is let go once it is compiled.
std::shared_ptr<Evaluator> runProgram(std::shared_ptr<EngineManager> engine, ProgramNode program,
                                      std::uint64_t generation);

// Called on the run's worker when its top level is done, with the run's
// evaluator (null if the run could not start or ended with an error, its line
// printed; failure() set if it ran out of memory). Called on the submitting thread
// when no worker can be started.
using TopLevelDone = std::function<void(std::shared_ptr<Evaluator>)>;

// Runs the program on the global work queue, whose workers have the stack the
// deepest accepted script needs, and returns at once. Callable from any thread.
void startRun(std::shared_ptr<EngineManager> engine, ProgramNode program, TopLevelDone onTopLevelDone);

}  // namespace quarn
