// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Lexer pieces shared between its source files and its tests. Stateless apart
// from the lexer each call makes; called from any thread.

#include <string_view>
#include <vector>

#include "frontend/Token.h"

namespace quarn {

// The token for a collected number text: with a point a C-locale float (0.0
// unless all of the text reads as one), without a point an int64 of ASCII
// digits (0 for any other character or on overflow).
Token numberToken(std::string_view text, bool hasPoint);

// Lexes like tokenize but lets ICU segment and classify every character; the
// ASCII fast path must give exactly the same tokens.
std::vector<Token> tokenizeWithoutFastPath(std::string_view text);

}  // namespace quarn
