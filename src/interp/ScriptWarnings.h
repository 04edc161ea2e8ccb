// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A look over a parsed script, without running it, for what a run would pass
// over without a word or complain about: sends to tb303 it ignores (a selector
// the voice does not know, an argument that is not a number), assignments to
// names no statement declares, calls of methods the script never declares,
// unknown receivers, and play: of a sound that is not bundled. The look
// changes nothing a run does. Only statements are looked at: a send inside an
// expression is never sent.
// Stateless; called from any thread.

#include <cstdint>
#include <string>
#include <vector>

#include "frontend/Ast.h"

namespace quarn {

enum class WarningKind : std::uint8_t {
  unknownSelector, notANumber, undeclaredName, undeclaredMethod, unknownReceiver, missingSound
};

struct ScriptWarning {
  WarningKind kind;
  SourceSpan span;     // the place to underline
  std::string reason;  // what is wrong and what to do, for the user
};

// The warnings of program in the order of the text. bundledSounds holds the
// names play: finds (without ".wav"); when it is empty no sound is checked.
std::vector<ScriptWarning> findScriptWarnings(const ProgramNode& program, const std::vector<std::string>& bundledSounds);

}  // namespace quarn
