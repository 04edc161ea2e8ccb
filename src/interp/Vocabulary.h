// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The names a script may use without declaring them, read from the tables the
// interpreter runs by, so an editor's completion and help never drift from
// what a run accepts. Called from any thread.

#include <string_view>
#include <vector>

#include "frontend/Sends.h"

namespace quarn {

// The selectors a built-in receiver acts on (for self: wait:, beside the
// script's own methods); empty for any other name.
std::vector<std::string_view> selectorsOf(std::string_view receiver);
// The built-in constants, in the order a fresh environment defines them.
std::vector<std::string_view> builtInConstantNames();

}  // namespace quarn
