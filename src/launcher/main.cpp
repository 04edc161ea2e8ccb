// SPDX-License-Identifier: GPL-3.0-or-later
// quarn: the headless subcommands (tokens, check, run, help) run in this small
// program, which loads neither Qt nor the audio device, so they start at once.
// Everything else (the window, with or without a file) is handed over to the
// workbench program beside it, which also accepts every headless subcommand.

#include <unistd.h>

#include <csignal>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace {

constexpr const char* kWorkbenchProgram = "quarn-workbench";

std::filesystem::path workbenchProgram() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path(kWorkbenchProgram) : exe.parent_path() / kWorkbenchProgram;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed standard output (`quarn tokens FILE | head -1`) loses the lines
  // written to it, never the program; the workbench program does the same.
  std::signal(SIGPIPE, SIG_IGN);
  if (argc > 1 && quarn::isHeadlessCommand(argv[1])) {
    return quarn::runCli(std::vector<std::string>(argv + 1, argv + argc));
  }
  const std::filesystem::path program = workbenchProgram();
  execv(program.c_str(), argv);
  std::cerr << "quarn: cannot start the workbench window (" << program.string() << "): "
            << std::strerror(errno) << "\n";
  return 2;
}
