// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application entry: one workbench window over an engine playing to the
// default output device, opening a script file or the last session.
// Threads: main thread only.

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/WorkbenchWindow.h"
#include "audio/EngineManager.h"

namespace quarn {

// How long quitting waits for halted runs to end (they stop at their next statement).
inline constexpr std::chrono::milliseconds kRunsEndPatience{2000};

// Runs the window's main loop until it closes, with file open in it when given;
// returns the exit status. The launcher hands over to this.
int runWorkbench(int argc, char** argv, std::optional<std::string> file);

class QuarnApp {
public:
  // The workbench window over engine, keeping its session in sessionFolder; not yet shown.
  static std::unique_ptr<WorkbenchWindow> makeWindow(std::shared_ptr<EngineManager> engine,
                                                     std::filesystem::path sessionFolder,
                                                     WorkbenchDialogs dialogs = WorkbenchDialogs::standard());
  // After the main loop: the window goes, the runs still going are halted and,
  // once they have let the engine go, it is destroyed on this thread; returns
  // status. While a render is being written, when runs still hold the engine
  // after kRunsEndPatience, or when a device's close hung, exits the process
  // right here instead.
  static int finish(int status, std::unique_ptr<WorkbenchWindow> window);
};

}  // namespace quarn
