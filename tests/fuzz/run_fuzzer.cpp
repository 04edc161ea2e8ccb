// SPDX-License-Identifier: GPL-3.0-or-later
// Any script that parses, run as `quarn run --silent` runs it, on an engine
// without a device: no crash, no undefined behaviour, no leak, no hang. Each
// input gets kRunBudget of wall time; then the engine is halted, as the halt
// button does, and the run must end and let go of the engine.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <string_view>

#include "audio/Clock.h"
#include "frontend/Parser.h"
#include "interp/Run.h"
#include "support/Diagnostics.h"
#include "support/EndOnThisThread.h"

namespace {

using namespace quarn;

// Wall time one input may run before it is halted.
constexpr std::chrono::milliseconds kRunBudget{100};

// Waits cost nothing: a sleeper's frame is due at once, and the clock jumps to
// it, so scripts keep their logical time while the input runs at full speed.
class JumpingClock : public Clock {
public:
  std::int64_t currentFrame() const override { return frame_.load(); }
  bool sleepUntil(std::int64_t frame, const StopCheck& stopped) override {
    if (stopped()) return false;
    for (std::int64_t now = frame_.load(); now < frame && !frame_.compare_exchange_weak(now, frame);) {
    }
    return true;
  }
  void wakeAll() override {}

private:
  std::atomic<std::int64_t> frame_{0};
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setLineSink([](std::string_view) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ParseResult result = parseScript(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!result.ok()) return 0;
  auto engine = std::make_shared<EngineManager>(std::filesystem::path{}, AudioOutput::none,
                                                std::make_unique<JumpingClock>());
  engine->isRunning = true;
  std::promise<std::shared_ptr<Evaluator>> topLevel;
  startRun(engine, std::move(*result.program),
           [&topLevel](std::shared_ptr<Evaluator> evaluator) { topLevel.set_value(std::move(evaluator)); });
  std::future<void> ended = std::async(std::launch::async, [&topLevel] {
    if (auto evaluator = topLevel.get_future().get()) evaluator->waitForAsyncBodies();
  });
  if (ended.wait_for(kRunBudget) == std::future_status::timeout) engine->halt();
  ended.get();
  endOnThisThread(std::move(engine));
  return 0;
}
