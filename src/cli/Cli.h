#pragma once
// The headless subcommands of `quarn`: tokens, check, run and render.

#include <optional>
#include <string>
#include <vector>

namespace quarn {

// args are the command-line words after the program name (at least one).
// Returns the process exit status.
int runCli(const std::vector<std::string>& args);

// A usage mistake: one line and the usage on standard error; returns status 2.
int usageError(const std::string& problem);

// Reads the one FILE of a subcommand; an unreadable file is one line on
// standard error and status 2.
std::optional<std::string> sourceOf(const std::string& path, int& status);

// Printed by --help (standard output) and after a usage error (standard error).
std::string usageText();

}  // namespace quarn
