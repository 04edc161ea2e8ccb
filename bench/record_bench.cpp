// SPDX-License-Identifier: GPL-3.0-or-later
// What recording costs the render thread: one 256-frame device block of the
// engine (the voice and the sampler both sounding) rendered with and without a
// recording going, and the hand-over alone (Recorder::take, the ring's copy).
// Each is also given as a share of the block's real-time length (5.8 ms);
// the aim for the hand-over is at most 1 %. A fixed count of blocks per run,
// fewer than the ring holds, so no block finds it full and takes the cheap way.
#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "audio/EngineManager.h"
#include "support/Diagnostics.h"

namespace {

constexpr int kBlockFrames = 256;
constexpr double kBlockSeconds = kBlockFrames / static_cast<double>(quarn::kSampleRate);
constexpr int kBlocksPerRun = 400;  // 102 400 frames: the ring holds 131 072
static_assert(kBlocksPerRun * kBlockFrames < static_cast<int>(quarn::kRecordRingFrames));

std::filesystem::path takeFile() {
  return std::filesystem::temp_directory_path() / ("quarn_record_bench_" + std::to_string(getpid()) + ".wav");
}

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// The loop's CPU time per block over the block's length, in percent.
void reportShareOfBlock(benchmark::State& state, double cpuSeconds) {
  state.counters["percent_of_block"] = 100.0 * cpuSeconds / static_cast<double>(state.iterations()) / kBlockSeconds;
}

void BM_RenderBlock(benchmark::State& state) {
  const bool isRecording = state.range(0) != 0;
  quarn::setLineSink([](std::string_view) {});
  quarn::EngineManager engine(quarn::EngineManager::defaultResourcesDir(), quarn::AudioOutput::pulled);
  engine.start();
  quarn::synthSetPlaying(engine.synth->pointer, true);
  engine.playSample("kick");
  std::vector<float> left(kBlockFrames), right(kBlockFrames);
  float* channels[2] = {left.data(), right.data()};
  std::string error;
  if (isRecording && !engine.recorder().start(takeFile(), error)) state.SkipWithError(error.c_str());
  const double cpuStart = threadCpuSeconds();
  for (auto _ : state) {
    engine.render(channels, 2, kBlockFrames);
    benchmark::ClobberMemory();
  }
  const double cpuSeconds = threadCpuSeconds() - cpuStart;
  if (isRecording) state.counters["frames_lost"] = static_cast<double>(engine.recorder().stop().framesLost);
  reportShareOfBlock(state, cpuSeconds);
  quarn::setLineSink({});
  std::filesystem::remove(takeFile());
}
BENCHMARK(BM_RenderBlock)->ArgName("recording")->Arg(0)->Arg(1)->Iterations(kBlocksPerRun)->Repetitions(15)
    ->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_HandOverBlock(benchmark::State& state) {
  quarn::Recorder recorder;
  std::vector<float> left(kBlockFrames, 0.25f), right(kBlockFrames, -0.25f);
  float* channels[2] = {left.data(), right.data()};
  std::string error;
  if (!recorder.start(takeFile(), error)) state.SkipWithError(error.c_str());
  const double cpuStart = threadCpuSeconds();
  for (auto _ : state) {
    recorder.take(channels, 2, kBlockFrames);
    benchmark::ClobberMemory();
  }
  const double cpuSeconds = threadCpuSeconds() - cpuStart;
  state.counters["frames_lost"] = static_cast<double>(recorder.stop().framesLost);
  reportShareOfBlock(state, cpuSeconds);
  std::filesystem::remove(takeFile());
}
BENCHMARK(BM_HandOverBlock)->Iterations(kBlocksPerRun)->Repetitions(15)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
