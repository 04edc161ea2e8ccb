#pragma once
// The application entry: one window, without a title, whose root is a ContentView
// over an engine playing to the default output device.
// Threads: main thread only.

#include <memory>

#include "app/ContentView.h"
#include "audio/EngineManager.h"

namespace quarn {

class QuarnApp {
public:
  // The workbench window over engine; not yet shown.
  static std::unique_ptr<ContentView> makeWindow(std::shared_ptr<EngineManager> engine);
  // Runs the application's main loop until the window closes; returns the exit status.
  static int run(int argc, char** argv);
  // After the main loop: returns status when the engine went with the window;
  // when a run still holds it (a script waiting), exits the process right here.
  static int finish(int status, const std::weak_ptr<EngineManager>& engineLeft);
};

}  // namespace quarn
