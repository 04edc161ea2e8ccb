#include <atomic>
#include <csignal>
#include <ctime>
#include <future>
#include <iostream>
#include <memory>
#include <thread>
#include <unistd.h>

#include "audio/EngineManager.h"
#include "cli/Commands.h"
#include "frontend/Parser.h"
#include "interp/Run.h"
#include "support/Diagnostics.h"
#include "support/EndOnThisThread.h"

namespace quarn {
namespace {

// Ctrl+C halts the run like the window's halt button; a second Ctrl+C exits at
// once. SIGINT is blocked before any thread starts, so only this watcher
// receives it, and the halt runs on an ordinary thread, not in a signal handler.
class InterruptWatcher {
public:
  explicit InterruptWatcher(std::weak_ptr<EngineManager> engine) : engine_(std::move(engine)) {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set_, nullptr);
    thread_ = std::thread([this] { watch(); });
  }
  ~InterruptWatcher() {
    finished_ = true;
    thread_.join();
  }
  bool halted() const { return halted_; }

private:
  void watch() {
    const timespec poll{0, 100'000'000};
    while (!finished_) {
      if (sigtimedwait(&set_, nullptr, &poll) != SIGINT) continue;
      if (halted_) _exit(130);
      halted_ = true;
      if (auto engine = engine_.lock()) engine->halt();
      std::cerr << "quarn: halted; waiting for running waits to end (Ctrl+C again exits at once)\n";
    }
  }

  std::weak_ptr<EngineManager> engine_;
  sigset_t set_;
  std::atomic<bool> finished_{false};
  std::atomic<bool> halted_{false};
  std::thread thread_;
};

}  // namespace

int runCommand(std::string_view source, const RunOptions& options, std::ostream& err) {
  ParseResult result = compile(source);
  if (!result.ok()) {
    err << result.error << "\n" << std::flush;
    return 1;
  }
  std::unique_ptr<InterruptWatcher> watcher;
  auto engine = std::make_shared<EngineManager>(
      options.resourcesDir, options.silent ? AudioOutput::none : AudioOutput::device);
  if (options.handleInterrupt) watcher = std::make_unique<InterruptWatcher>(engine);
  if (options.latencyMilliseconds >= 0) engine->setLatencyFrames(framesFromNanos(options.latencyMilliseconds * 1'000'000));
  engine->start();
  if (!options.silent && !engine->hasDevice()) {
    err << "quarn: no audio device found; playing silently\n" << std::flush;
  }
  engine->isRunning = true;

  // The top level runs on a worker; this thread only waits for it.
  std::promise<std::shared_ptr<Evaluator>> topLevel;
  startRun(engine, std::move(*result.program), [&topLevel](std::shared_ptr<Evaluator> evaluator) {
    if (evaluator) printLine(kEndOfSequencesLine);  // a run that never started has no sequences
    topLevel.set_value(std::move(evaluator));
  });
  std::shared_ptr<Evaluator> evaluator = topLevel.get_future().get();
  if (evaluator) evaluator->waitForAsyncBodies();
  const bool failed = !evaluator || !evaluator->failure().empty();
  const bool halted = watcher && watcher->halted();
  evaluator.reset();
  watcher.reset();
  endOnThisThread(std::move(engine));
  return failed ? 1 : halted ? 130 : 0;
}

}  // namespace quarn
