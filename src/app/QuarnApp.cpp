#include "app/QuarnApp.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

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

std::unique_ptr<ContentView> QuarnApp::makeWindow(std::shared_ptr<EngineManager> engine) {
  return std::make_unique<ContentView>(std::move(engine));
}

int QuarnApp::run(int argc, char** argv) {
  int status = 0;
  std::weak_ptr<EngineManager> engineLeft;
  qtHandler = qInstallMessageHandler(&dropRuntimeDirNotice);
  {
    QApplication application(argc, argv);
    auto window = makeWindow(std::make_shared<EngineManager>(EngineManager::defaultResourcesDir(),
                                                             AudioOutput::device));
    engineLeft = window->engine();
    window->show();
    status = application.exec();
  }  // the window, and with it the engine unless a run holds it, goes before the application
  return finish(status, engineLeft);
}

int QuarnApp::finish(int status, const std::weak_ptr<EngineManager>& engineLeft) {
  if (engineLeft.expired()) {
    return status;
  }
  // A run closed with the window is still asleep in a wait (it stops at its next
  // statement). Returning would run the static destructors while that worker and
  // the engine's audio thread still use the libraries, and release the engine on a
  // worker thread during shutdown; leaving at once skips both.
  std::fflush(nullptr);
  std::quick_exit(status);
}

}  // namespace quarn
