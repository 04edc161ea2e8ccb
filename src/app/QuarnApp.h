// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application entry: one workbench window over an engine playing to the
// default output device, opening a script file or the last session.
// Threads: main thread only.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/WorkbenchWindow.h"
#include "audio/EngineManager.h"

namespace quarn {

// Runs the window's main loop until it closes, with file open in it when given;
// returns the exit status. The launcher hands over to this.
int runWorkbench(int argc, char** argv, std::optional<std::string> file);

class QuarnApp {
public:
  // The workbench window over engine, keeping its session in sessionFolder; not yet shown.
  static std::unique_ptr<WorkbenchWindow> makeWindow(std::shared_ptr<EngineManager> engine,
                                                     std::filesystem::path sessionFolder,
                                                     WorkbenchDialogs dialogs = WorkbenchDialogs::standard());
  // After the main loop: returns status when the engine went with the window;
  // when a run still holds it (a script waiting), exits the process right here.
  static int finish(int status, const std::weak_ptr<EngineManager>& engineLeft);
};

}  // namespace quarn
