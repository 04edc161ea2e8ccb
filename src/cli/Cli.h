// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The headless subcommands of `quarn`: tokens, check, run and render.

#include <optional>
#include <string>
#include <string_view>
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

// True for the words runCli handles as its first argument (subcommands and help).
bool isHeadlessCommand(std::string_view word);

// The FILE of `quarn FILE` (the window opens it): one word that is not a
// subcommand or an option and names a file, or a script to make (".quarn").
std::optional<std::string> workbenchFileArgument(const std::vector<std::string>& args);

// Printed by --help (standard output) and after a usage error (standard error);
// README.md shows the same command lines, and a test keeps the two agreeing.
std::string usageText();

}  // namespace quarn
