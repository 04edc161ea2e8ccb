// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a send to tb303 is taken, read from the table its dispatch runs on
// (CodeSends.cpp), so that whatever checks a script ahead of a run agrees
// with the run about every selector the voice knows.
// Stateless; called from any thread.

#include "frontend/Ast.h"

namespace quarn {

struct Tb303SendUse {
  bool isKnown = false;      // false: the run ignores the send without a word
  bool needsNumber = false;  // a send with any other argument is ignored
};

Tb303SendUse tb303SendUse(SelectorId selector);

}  // namespace quarn
