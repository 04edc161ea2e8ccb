// SPDX-License-Identifier: GPL-3.0-or-later
// quarn: with a subcommand a headless tool, otherwise the workbench window
// (with the script FILE of `quarn FILE` in it).

#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include "app/DisplayCheck.h"
#include "app/QuarnApp.h"
#include "cli/Cli.h"

int main(int argc, char** argv) {
  // A closed standard output (a window started from a terminal that went away,
  // `quarn run FILE | head -1`) loses the lines written to it, never the
  // program: the window keeps running and a run plays to its end.
  std::signal(SIGPIPE, SIG_IGN);
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::optional<std::string> file = quarn::workbenchFileArgument(args);
  if (!args.empty() && !file) {
    return quarn::runCli(args);
  }
  if (!quarn::displayAvailable()) {
    return quarn::reportNoDisplay();
  }
  return quarn::runWorkbench(1, argv, std::move(file));
}
