// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One script thread of a run (its top level or an async body) and the logical
// time it carries. A scope installs it for the thread's job; declared methods
// run inside their caller's scope, so on the caller's clock.
//
// Threads: a scope belongs to the thread that made it and is read only there.

#include "audio/Clock.h"

namespace quarn {

class Evaluator;

class ScriptThreadScope {
public:
  // Begins the thread at logical time `start` of `run`, in its turn.
  ScriptThreadScope(const Evaluator& run, LogicalNanos start);
  ~ScriptThreadScope();
  ScriptThreadScope(const ScriptThreadScope&) = delete;
  ScriptThreadScope& operator=(const ScriptThreadScope&) = delete;

  // The innermost scope of `run` on the calling thread, or null.
  static ScriptThreadScope* currentFor(const Evaluator& run);

  LogicalNanos now;

private:
  const Evaluator& run_;
  ScriptThreadScope* const outer_;
};

}  // namespace quarn
