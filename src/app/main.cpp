// quarn: with arguments a headless subcommand, without them the workbench window.

#include <csignal>
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
  if (argc > 1) {
    return quarn::runCli(std::vector<std::string>(argv + 1, argv + argc));
  }
  if (!quarn::displayAvailable()) {
    return quarn::reportNoDisplay();
  }
  return quarn::QuarnApp::run(argc, argv);
}
