// SPDX-License-Identifier: GPL-3.0-or-later
#include "interp/ScriptThread.h"

#include "interp/Evaluator.h"

namespace quarn {
namespace {

thread_local ScriptThreadScope* innermostScope = nullptr;

}  // namespace

ScriptThreadScope::ScriptThreadScope(const Evaluator& run, LogicalNanos start)
    : now(start), run_(run), outer_(innermostScope) {
  innermostScope = this;
  run_.engine->turns().begin(run_.frameAt(start));
}

ScriptThreadScope::~ScriptThreadScope() {
  run_.engine->turns().end();
  innermostScope = outer_;
}

// A job runs to its end on one worker, so scopes nest like the calls that made them.
ScriptThreadScope* ScriptThreadScope::currentFor(const Evaluator& run) {
  for (ScriptThreadScope* scope = innermostScope; scope != nullptr; scope = scope->outer_) {
    if (&scope->run_ == &run) {
      return scope;
    }
  }
  return nullptr;
}

}  // namespace quarn
