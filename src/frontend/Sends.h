#pragma once
// Fills in what a send's names mean: its receiver and selector ids and the
// name of the method a send to self runs.

#include "frontend/Ast.h"

namespace quarn {

void resolveSend(MethodCallNode& call);

// Whether a resolved send runs a declared method: a send to self other than wait.
inline bool callsMethod(const MethodCallNode& call) {
  return call.receiverId == ReceiverId::self && call.selectorId != SelectorId::wait;
}

}  // namespace quarn
