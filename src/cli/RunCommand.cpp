// SPDX-License-Identifier: GPL-3.0-or-later
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <future>
#include <iostream>
#include <memory>
#include <thread>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "audio/AudioDevice.h"
#include "audio/EngineManager.h"
#include "cli/Commands.h"
#include "frontend/Parser.h"
#include "interp/Run.h"
#include "support/Diagnostics.h"
#include "support/EndOnThisThread.h"

namespace quarn {
namespace {

// Ctrl+C halts the run like the window's halt button; a second Ctrl+C exits at
// once. SIGINT is blocked before any thread starts, so it only reaches the
// watcher's signalfd, and the halt runs on an ordinary thread, not in a signal
// handler. The watcher sleeps in poll until a signal or the end of the run
// wakes it, so the command leaves as soon as its work is done.
class InterruptWatcher {
public:
  explicit InterruptWatcher(std::weak_ptr<EngineManager> engine) : engine_(std::move(engine)) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signals_ = signalfd(-1, &set, SFD_CLOEXEC);
    finished_ = eventfd(0, EFD_CLOEXEC);
    if (signals_ >= 0 && finished_ >= 0) {
      thread_ = std::thread([this] { watch(); });
    } else {
      pthread_sigmask(SIG_UNBLOCK, &set, nullptr);  // no watcher: Ctrl+C ends the process as usual
    }
  }
  ~InterruptWatcher() {
    if (thread_.joinable()) {
      const std::uint64_t one = 1;
      [[maybe_unused]] const ssize_t written = write(finished_, &one, sizeof one);  // cannot fail for 1
      thread_.join();
    }
    if (signals_ >= 0) close(signals_);
    if (finished_ >= 0) close(finished_);
  }
  bool halted() const { return halted_; }

private:
  void watch() {
    pollfd fds[2] = {{signals_, POLLIN, 0}, {finished_, POLLIN, 0}};
    for (;;) {
      if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[1].revents != 0) return;
      signalfd_siginfo info;
      if (read(signals_, &info, sizeof info) != sizeof info) continue;
      if (halted_) _exit(130);
      halted_ = true;
      if (auto engine = engine_.lock()) engine->halt();
      std::cerr << "quarn: halted; waiting for running waits to end (Ctrl+C again exits at once)\n";
    }
  }

  std::weak_ptr<EngineManager> engine_;
  int signals_ = -1;
  int finished_ = -1;
  std::atomic<bool> halted_{false};
  std::thread thread_;
};

}  // namespace

int runCommand(std::string_view source, const RunOptions& options, std::ostream& err) {
  ParseResult result = parseScript(source);
  if (!result.ok()) {
    err << result.error << "\n" << std::flush;
    return 1;
  }
  std::unique_ptr<InterruptWatcher> watcher;
  if (!options.deviceName.empty()) chooseSoundSystem(*soundSystemNamed(options.deviceName));
  auto engine = std::make_shared<EngineManager>(
      options.resourcesDir, options.silent ? AudioOutput::none : AudioOutput::device);
  if (options.handleInterrupt) watcher = std::make_unique<InterruptWatcher>(engine);
  if (options.latencyMilliseconds >= 0) engine->setLatencyFrames(framesFromNanos(options.latencyMilliseconds * 1'000'000));
  engine->start();
  if (!options.silent && !engine->hasDevice() && options.deviceName.empty()) {
    err << "quarn: no audio device found; playing silently\n" << std::flush;
  } else if (!options.silent && !engine->hasDevice()) {
    err << "quarn: could not play through " << options.deviceName
        << " (is its server running, at 44100 Hz?); playing silently\n" << std::flush;
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
  evaluator.reset();
  const bool halted = watcher && watcher->halted();
  if (!halted) engine->playOut();
  // the watcher outlives the device's close, so a second Ctrl+C still exits at once
  endOnThisThread(std::move(engine));
  watcher.reset();
  flushStandardOutput();  // the run's lines are out before the command is done
  const int status = failed ? 1 : halted ? 130 : 0;
  if (deviceCloseAbandoned()) {
    std::fflush(nullptr);
    std::quick_exit(status);
  }
  return status;
}

}  // namespace quarn
