// quarn: with arguments a headless subcommand, without them the workbench window.

#include <string>
#include <vector>

#include "app/DisplayCheck.h"
#include "app/QuarnApp.h"
#include "cli/Cli.h"

int main(int argc, char** argv) {
  if (argc > 1) {
    return quarn::runCli(std::vector<std::string>(argv + 1, argv + argc));
  }
  if (!quarn::displayAvailable()) {
    return quarn::reportNoDisplay();
  }
  return quarn::QuarnApp::run(argc, argv);
}
