// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QuarnApp.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "audio/AudioDevice.h"

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
  int status = 0;
  std::weak_ptr<EngineManager> engineLeft;
  qtHandler = qInstallMessageHandler(&dropRuntimeDirNotice);
  {
    QApplication application(argc, argv);
    auto window = QuarnApp::makeWindow(
        std::make_shared<EngineManager>(EngineManager::defaultResourcesDir(), AudioOutput::device),
        ScriptSession::defaultFolder());
    engineLeft = window->view().engine();
    window->startWith(file ? std::optional<std::filesystem::path>(*file) : std::nullopt);
    window->show();
    status = application.exec();
  }  // the window, and with it the engine unless a run holds it, goes before the application
  return QuarnApp::finish(status, engineLeft);
}

int QuarnApp::finish(int status, const std::weak_ptr<EngineManager>& engineLeft) {
  if (engineLeft.expired() && !deviceCloseAbandoned()) {
    return status;
  }
  // A run closed with the window is still asleep in a wait (it stops at its next
  // statement), or a device's close hung in the sound library. Returning would
  // run the static destructors while that worker and the engine's audio thread
  // still use the libraries, and release the engine on a worker thread during
  // shutdown; leaving at once skips both.
  std::fflush(nullptr);
  std::quick_exit(status);
}

}  // namespace quarn
