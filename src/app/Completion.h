// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What may complete the word before the cursor: after `[` a receiver, after
// `[receiver ` one of its selectors (for self, also the script's methods),
// elsewhere a built-in constant or a name the script declares. The built-in
// names come from the interpreter's own tables; the script's from its tokens,
// so a script that does not parse yet still offers them.
// Threads: any.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

struct Completions {
  std::vector<std::string> words;  // sorted, each starting with the typed part
  std::size_t typedBytes = 0;      // how much of the word is typed already
  bool isSelector = false;         // the place after `[receiver `
};

// The completions for the cursor at byte `at` of text (UTF-8).
Completions completionsAt(std::string_view text, std::size_t at);

// The variables and methods a script declares, by their names.
struct ScriptNames {
  std::vector<std::string> variables;
  std::vector<std::string> methods;
};
ScriptNames declaredNames(std::string_view text);

}  // namespace quarn
