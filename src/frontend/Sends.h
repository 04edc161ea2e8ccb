#pragma once
// Fills in what a send's names mean: its receiver and selector ids and the
// name of the method a send to self runs.

#include "frontend/Ast.h"

namespace quarn {

void resolveSend(MethodCallNode& call);

}  // namespace quarn
