// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QuarnApp.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "audio/AudioDevice.h"
#include "support/EndOnThisThread.h"

namespace quarn {
namespace {

QtMessageHandler qtHandler = nullptr;

// Started as root without XDG_RUNTIME_DIR (a console login, sudo), Qt says so
// and uses a folder of its own: nothing a musician can act on.
void dropRuntimeDirNotice(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
  if (qtHandler) qtHandler(type, context, text);
}

}  // namespace

std::unique_ptr<WorkbenchWindow> QuarnApp::makeWindow(std::shared_ptr<EngineManager> engine,
                                                      std::filesystem::path sessionFolder,
                                                      WorkbenchDialogs dialogs) {
  return std::make_unique<WorkbenchWindow>(std::move(engine), std::move(sessionFolder), std::move(dialogs));
}

int runWorkbench(int argc, char** argv, std::optional<std::string> file) {
  qtHandler = qInstallMessageHandler(&dropRuntimeDirNotice);
  QApplication application(argc, argv);
  auto window = QuarnApp::makeWindow(
      std::make_shared<EngineManager>(EngineManager::defaultResourcesDir(), AudioOutput::device),
      ScriptSession::defaultFolder());
  window->startWith(file ? std::optional<std::filesystem::path>(*file) : std::nullopt);
  window->show();
  return QuarnApp::finish(application.exec(), std::move(window));
}

// Returning while a worker or the render still uses the engine and the
// libraries would run the static destructors under them, and could leave the
// engine's end to a worker; leaving at once skips both.
int QuarnApp::finish(int status, std::unique_ptr<WorkbenchWindow> window) {
  const bool isRendering = window->isRendering();
  std::shared_ptr<EngineManager> engine = window->view().engine();
  window.reset();
  engine->halt();  // runs still going stop at their next statement
  if (!isRendering && endOnThisThread(engine, kRunsEndPatience) && !deviceCloseAbandoned()) {
    return status;
  }
  std::fflush(nullptr);
  std::quick_exit(status);
}

}  // namespace quarn
