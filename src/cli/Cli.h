#pragma once
// The headless subcommands of `quarn`: tokens, check and run.

#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// args are the command-line words after the program name (at least one).
// Returns the process exit status.
int runCli(const std::vector<std::string>& args);

// True for the words runCli handles as its first argument (subcommands and help).
bool isHeadlessCommand(std::string_view word);

// Printed by --help (standard output) and after a usage error (standard error).
std::string usageText();

}  // namespace quarn
