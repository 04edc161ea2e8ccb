// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fills in what a send's names mean: its receiver and selector ids and the
// name of the method a send to self runs.

#include <string_view>
#include <vector>

#include "frontend/Ast.h"

namespace quarn {

void resolveSend(MethodCallNode& call);

// The built-in receivers' names, as a script writes them.
std::vector<std::string_view> receiverNames();
// A selector's name as a script writes it ("setCutoff:"); empty for other.
std::string_view selectorName(SelectorId selector);

// Whether a resolved send runs a declared method: a send to self other than wait.
inline bool callsMethod(const MethodCallNode& call) {
  return call.receiverId == ReceiverId::self && call.selectorId != SelectorId::wait;
}

}  // namespace quarn
