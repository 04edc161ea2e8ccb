// SPDX-License-Identifier: GPL-3.0-or-later
// Logical time: waits move a thread's time exactly (the render cases show the grid); a halt or a run
// stop wakes every sleeping wait, and a halted run never resumes.
#include <algorithm>
#include <future>
#include <utility>

#include "InterpTestSupport.h"
#include "audio/VoiceLevel.h"
#include "interp/Run.h"

namespace quarn {
namespace {

using ::testing::ElementsAre;

// Never sleeps: remembers the frame each wait asked for.
class RecordingClock : public Clock {
public:
  std::int64_t currentFrame() const override { return now.load(); }
  bool sleepUntil(std::int64_t frame, const StopCheck& stopped) override {
    std::lock_guard<std::mutex> hold(mutex);
    frames.push_back(frame);
    now = std::max(now.load(), frame + std::exchange(lateBy, 0));
    return !stopped();
  }
  void wakeAll() override {}
  std::vector<std::int64_t> taken() { std::lock_guard<std::mutex> hold(mutex); return frames; }

  std::atomic<std::int64_t> now{0};
  std::int64_t lateBy = 0;  // how late the next sleep wakes
  std::mutex mutex;
  std::vector<std::int64_t> frames;
};

class LogicalTime : public RunFixture {
protected:
  LogicalTime()
      : RunFixture(std::make_shared<EngineManager>(std::filesystem::temp_directory_path(), AudioOutput::pulled,
                                                   std::make_unique<RecordingClock>())) {
    engine->start();
  }
  // The frames this run's waits asked for, from a clock at 0.
  std::vector<std::int64_t> framesOf(const std::string& source) {
    clock->frames.clear();
    clock->now = 0;
    auto run = runProgram(engine, parse(source), engine->runGeneration());
    run->waitForAsyncBodies();
    return clock->taken();
  }

  RecordingClock* clock = static_cast<RecordingClock*>(&engine->clock());
};

// 100 000 waits of 0.125 s land on the exact frame of 12 500 s; longer waits are cut to a day.
TEST_F(LogicalTime, StaysExactOverALongRunAndCutsWaitsToADay) {
  static_assert(framesFromNanos(100 * 365LL * 24 * 3600 * kNanosPerSecond) == 100LL * 365 * 24 * 3600 * 44100);
  static_assert(nanosFromFrames(44100) == 1'000'000'000 && nanosFromFrames(1) == 22'676);
  const auto frames = framesOf("int i = 0; int j = 0; while (i < 20) { i = i + 1; j = 0; while (j < 5000) {"
                               " j = j + 1; [self wait:0.125]; } } [self wait:100000]; [self wait:1];");
  ASSERT_EQ(frames.size(), 100002u);
  EXPECT_THAT(std::vector(frames.begin(), frames.begin() + 2), ElementsAre(5513, 11025));
  EXPECT_THAT(std::vector(frames.end() - 3, frames.end()),
              ElementsAre(12500LL * 44100, (12500 + 86400) * 44100LL, (12500 + 86401) * 44100LL));
}

// Up to kMaxLagMilliseconds behind catches up; further behind goes on from now, said once.
TEST_F(LogicalTime, AThreadFarBehindGoesOnFromNow) {
  const std::string beats = "[self wait:0.125]; [self wait:0.125]; [self wait:0.125];";
  clock->lateBy = 44100 / 5;
  EXPECT_THAT(framesOf(beats), ElementsAre(5513, 11025, 16538));
  clock->lateBy = 44100;
  EXPECT_THAT(framesOf(beats), ElementsAre(5513, 5513 + 44100 + 5513));
  EXPECT_THAT(lines(), ElementsAre("[VRKLog] Timing: a sequence fell 875 ms behind its beat; it goes on from now."));
}

// Stamped at logical time plus the latency; the release fades from its own stamp, one second on.
TEST_F(LogicalTime, AReleaseAfterAWaitOfOneSecondCutsTheSoundAfterExactlyOneSecond) {
  framesOf("[tb303 play]; [self wait:1]; [tb303 release]; [tb303 setFrequency:880];");
  std::vector<float> left(3 * 44100), right(left.size());
  for (std::size_t done = 0; done < left.size(); done += 441) {
    float* channels[2] = {left.data() + done, right.data() + done};
    engine->render(channels, 2, 441);
  }
  const auto sounding = [](float v) { return v != 0.0f; };
  const auto first = std::find_if(left.begin(), left.end(), sounding) - left.begin();
  EXPECT_EQ(first, engine->latencyFrames());
  EXPECT_EQ(left.rend() - std::find_if(left.rbegin(), left.rend(), sounding) - first,
            44100 + static_cast<int>(kVoiceRampSeconds * 44100.0f));
}

using HaltedWaits = RunFixture;

// 300 sleeping async bodies and a top level end at once when halted and stay over when isRunning
// is set again; a run's own stop wakes its bodies too.
TEST_F(HaltedWaits, EndAtOnceAndNeverResume) {
  std::promise<std::shared_ptr<Evaluator>> topLevel;
  startRun(engine, parse("int i = 0; while (i < 300) { i = i + 1; async { [self wait:20]; [sampler setRate:2]; } }"
                         "[self wait:60]; [sampler setRate:3];"),
           [&](std::shared_ptr<Evaluator> run) { topLevel.set_value(run); });
  run("async { [self wait:60]; }");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto halted = std::chrono::steady_clock::now();
  evaluator->stopRun();
  evaluator->waitForAsyncBodies();
  EXPECT_TRUE(engine->isRunning.load()) << "a run's own stop halts nothing";
  engine->halt();
  engine->isRunning = true;  // as the next "Compile and Run" does
  topLevel.get_future().get()->waitForAsyncBodies();
  EXPECT_LT(std::chrono::steady_clock::now() - halted, std::chrono::seconds(5));  // against hanging, not speed
  EXPECT_THAT(lines(), ElementsAre());
}

}  // namespace
}  // namespace quarn
