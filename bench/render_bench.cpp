// SPDX-License-Identifier: GPL-3.0-or-later
// How much faster than real time `quarn render` is: one minute of music (two
// async drum bodies and a bass line) rendered to a 16-bit WAV, beside the
// voice's render alone over the same minute, its floor. Process CPU time, so
// the script threads on the work queue's workers count too.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "audio/EngineManager.h"
#include "audio/OfflineRenderer.h"
#include "audio/SynthVoice.h"
#include "cli/RenderCommand.h"
#include "support/Diagnostics.h"

namespace {

constexpr double kMinute = 60.0;

const char* const kMinuteOfMusic = R"(
const float beat = 0.5;
async { int k = 0; while (k < 120) { [sampler play:"kick"]; [self wait:beat]; k = k + 1; } }
async { [self wait:0.25]; int h = 0; while (h < 120) { [sampler play:"hat"]; [self wait:beat]; h = h + 1; } }
[tb303 setCutoff:Acid];
[tb303 play];
float f = 55.0;
int n = 0;
while (n < 480) {
    [tb303 setFrequency:f];
    [self wait:0.125];
    if (n % 2 == 0) { f = f * 2; } else { f = f / 2; }
    n = n + 1;
}
[tb303 release];
)";

void reportRealTimeFactor(benchmark::State& state) {
  state.counters["realtime_factor"] =
      benchmark::Counter(kMinute * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_RenderMinuteOfMusic(benchmark::State& state) {
  quarn::RenderOptions options;
  options.output = (std::filesystem::temp_directory_path() / "quarn_render_bench.wav").string();
  options.resourcesDir = quarn::EngineManager::defaultResourcesDir();
  options.tailSeconds = 0;
  quarn::setLineSink([](std::string_view) {});
  for (auto _ : state) {
    std::ostringstream err;
    if (quarn::renderCommand(kMinuteOfMusic, options, err) != 0) state.SkipWithError(err.str().c_str());
  }
  quarn::setLineSink({});
  std::filesystem::remove(options.output);
  reportRealTimeFactor(state);
}
BENCHMARK(BM_RenderMinuteOfMusic)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_VoiceAloneMinute(benchmark::State& state) {
  quarn::SynthWrapper voice;
  std::vector<float> out(quarn::kOfflineBlockFrames);
  const auto frames = static_cast<long>(kMinute * quarn::kSampleRate);
  for (auto _ : state) {
    for (long done = 0; done < frames; done += quarn::kOfflineBlockFrames) {
      quarn::synthRender(voice.pointer, out.data(), quarn::kOfflineBlockFrames);
      benchmark::ClobberMemory();
    }
  }
  reportRealTimeFactor(state);
}
BENCHMARK(BM_VoiceAloneMinute)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
