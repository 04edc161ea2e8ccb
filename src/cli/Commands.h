// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The work behind each subcommand, on a source text, writing to the streams the
// caller gives. `quarn` and the whole-script tests both go through these.

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace quarn {

// Prints the text form of every token, one per line, the last being eof.
int tokensCommand(std::string_view source, std::ostream& out);

// Prints nothing when the source parses (0); otherwise the parse error as one line on err (1).
int checkCommand(std::string_view source, std::ostream& err);

struct RunOptions {
  bool silent = false;                 // no audio device
  std::filesystem::path resourcesDir;  // bundled sounds
  bool handleInterrupt = false;        // Ctrl+C halts, a second one exits
  long long latencyMilliseconds = -1;  // schedule-ahead of sound changes; -1: the default
  std::string_view deviceName;         // a --device name, checked; empty: the system's default
};

// Compiles and runs a script as the workbench does, prints "End of all sequences."
// when the top level is done and returns once every async body has ended.
// Diagnostic lines go through printLine; a parse error goes to err (exit 1).
int runCommand(std::string_view source, const RunOptions& options, std::ostream& err);

}  // namespace quarn
