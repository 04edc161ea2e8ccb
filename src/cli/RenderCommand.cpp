// SPDX-License-Identifier: GPL-3.0-or-later
// `quarn render`: the script's threads take turns on a virtual clock while the
// engine is pulled offline up to each moment a thread is due.
#include "cli/RenderCommand.h"

#include <atomic>
#include <cmath>
#include <memory>

#include "audio/EngineManager.h"
#include "audio/OfflineRenderer.h"
#include "audio/SoundFileWriter.h"
#include "audio/VirtualClock.h"
#include "cli/RenderProgress.h"
#include "cli/RenderTarget.h"
#include "frontend/Parser.h"
#include "interp/Run.h"
#include "interp/WorkQueue.h"
#include "support/Diagnostics.h"

namespace quarn {
namespace {

enum class Ending { scriptEnded, limitReached, stuck, halted, writeFailed };
constexpr const char* kHaltedRenderError = "halted before the end; nothing was written";

// The window's halt, when the render has one.
bool isHalted(const std::atomic<bool>* halt) { return halt != nullptr && halt->load(); }

int cannotWrite(std::ostream& err, const std::string& output, const std::string& reason) {
  err << "quarn: cannot write " << output << ": " << reason << "\n" << std::flush;
  return 2;
}

// Threads take their turns, the audio rendered up to each one's frame, until
// every thread has ended or the next is due at `limit` or later.
Ending playOut(VirtualClock& clock, EngineManager& engine, OfflineRenderer& renderer, std::int64_t limit,
               const std::atomic<bool>* halt, std::string& error) {
  // a thread sending more changes at one moment than the queue holds gets room;
  // a halt stops a thread that runs without waiting
  const auto whileAThreadRuns = [&engine, halt] {
    engine.applyDueChanges();
    if (isHalted(halt)) engine.halt();
  };
  std::int64_t moment = 0;
  std::int64_t turnsThere = 0;
  while (const auto due = clock.nextDue(whileAThreadRuns)) {
    if (isHalted(halt)) return Ending::halted;
    if (*due >= limit) return Ending::limitReached;
    turnsThere = *due == moment ? turnsThere + 1 : 0;
    moment = *due;
    if (turnsThere > kMaxTurnsAtOneMoment) return Ending::stuck;
    if (!renderer.renderTo(*due, error)) return Ending::writeFailed;
    if (isHalted(halt)) return Ending::halted;  // a halt cuts a long wait short
    clock.resumeNext();
  }
  return Ending::scriptEnded;
}

// After a halt each remaining thread only sees that it is stopped, and ends.
void letStoppedThreadsEnd(EngineManager& engine, VirtualClock& clock) {
  engine.halt();
  while (clock.nextDue()) clock.resumeNext();
}

std::string extensionOf(const std::string& output) {
  return output == "-" ? ".wav" : std::filesystem::path(output).extension().string();
}

// No device, a virtual clock, and no schedule-ahead: nothing needs to reach a
// render in time, so each change lands at its own thread's time.
// A render whose file failed ends its threads without saying the script ended.
std::shared_ptr<EngineManager> offlineEngine(const RenderOptions& options, VirtualClock*& clock,
                                             const std::atomic<bool>& hasFailed) {
  auto ownClock = std::make_shared<VirtualClock>(kMaxWorkers);
  clock = ownClock.get();
  clock->setThreadEndHook([&hasFailed](std::uint64_t order) {
    if (order == 0 && !hasFailed.load()) printLine(kEndOfSequencesLine);  // the top level began first
  });
  auto engine = std::make_shared<EngineManager>(options.resourcesDir, AudioOutput::pulled, ownClock, ownClock);
  engine->setLatencyFrames(0);
  engine->start();
  engine->isRunning = true;
  return engine;
}

// Runs the program and renders all of its sound: to the limit (--seconds or
// the cap), or to the tail after its last thread.
bool renderProgram(ProgramNode program, const RenderOptions& options, SoundFileWriter& writer,
                   std::ostream& err, std::string& error) {
  VirtualClock* clock = nullptr;
  std::atomic<bool> hasFailed{false};
  auto engine = offlineEngine(options, clock, hasFailed);
  RenderProgress* progress = options.progress;
  OfflineRenderer renderer(
      *engine, writer, [progress](std::int64_t done) { if (progress) progress->update(done); }, options.halt);
  const bool isFixed = options.seconds.has_value();
  const std::int64_t limit = renderFrames(isFixed ? *options.seconds : kRenderCapSeconds);
  if (progress) progress->begin(limit, !isFixed);

  // the launch is over when the top level has ended, or could not begin
  startRun(engine, std::move(program), [clock](std::shared_ptr<Evaluator>) { clock->launchEnded(); });
  Ending ending = playOut(*clock, *engine, renderer, limit, options.halt, error);
  // what the threads did before the limit sounds to the end, then they stop
  if (ending == Ending::limitReached && !renderer.renderTo(limit, error)) ending = Ending::writeFailed;
  if (ending != Ending::writeFailed && isHalted(options.halt)) ending = Ending::halted;
  hasFailed = ending == Ending::writeFailed || ending == Ending::halted;
  if (ending != Ending::scriptEnded) letStoppedThreadsEnd(*engine, *clock);
  if (ending == Ending::halted) error = kHaltedRenderError;
  if (ending == Ending::writeFailed || ending == Ending::halted) return false;
  if (ending == Ending::stuck) {
    err << "quarn: the script's threads took more than " << kMaxTurnsAtOneMoment
        << " turns at one moment without time moving on (async blocks that start one another"
           " without a wait); the render ends there\n"
        << std::flush;
  }
  if (clock->wasStarved()) {
    err << "quarn: more script threads waited at once than the work queue has workers (" << kMaxWorkers
        << "); those that began late may take their turns in another order on another render\n";
  }
  if (ending == Ending::limitReached && !isFixed) {
    if (progress) progress->clear();
    err << "quarn: the script was still running after " << kRenderCapSeconds
        << " s of audio, the longest render without --seconds; the render ends there"
           " (give --seconds N to choose its length)\n"
        << std::flush;
  }
  const bool hasTail = !isFixed && ending != Ending::limitReached;
  if (!renderer.renderTo(hasTail ? clock->currentFrame() + renderFrames(options.tailSeconds) : limit, error)) {
    return false;
  }
  if (!isHalted(options.halt)) return true;
  error = kHaltedRenderError;
  return false;
}

}  // namespace

std::int64_t renderFrames(double seconds) {
  return framesFromNanos(std::llround(seconds * static_cast<double>(kNanosPerSecond)));
}

int renderCommand(std::string_view source, const RenderOptions& options, std::ostream& err) {
  std::string error;
  const int format = soundFileFormat(extensionOf(options.output), options.sampleFormat, error);
  if (format == 0) return cannotWrite(err, options.output, error);
  ParseResult parsed = parseScript(source);
  if (!parsed.ok()) {
    err << parsed.error << "\n" << std::flush;
    return 1;
  }
  RenderTarget target(options.output);
  SoundFileWriter writer;
  if (!target.prepare(error) || !writer.open(target.temporary(), format, error) ||
      !renderProgram(std::move(*parsed.program), options, writer, err, error) || !writer.close(error) ||
      !target.commit(error)) {
    return cannotWrite(err, options.output, error);
  }
  return 0;
}

}  // namespace quarn
