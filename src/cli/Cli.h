#pragma once
// The headless subcommands of `quarn`: tokens, check and run.

#include <string>
#include <vector>

namespace quarn {

// args are the command-line words after the program name (at least one).
// Returns the process exit status.
int runCli(const std::vector<std::string>& args);

// Printed by --help (standard output) and after a usage error (standard error);
// README.md shows the same command lines, and a test keeps the two agreeing.
std::string usageText();

}  // namespace quarn
