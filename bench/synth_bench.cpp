// SPDX-License-Identifier: GPL-3.0-or-later
// The voice's render cost per sample beside the floor set by its filter: each
// sample's filter step needs the previous one, so one subtract and one fused
// multiply-add per sample in sequence is as fast as the voice can go. The 303
// voice (full resonance, a decaying envelope) is measured beside
// the plain one: its ladder should cost at most five times the one-pole.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "audio/SynthVoice.h"

namespace {

constexpr int kFrames = 256;

void renderVoice(benchmark::State& state, quarn::SynthVoice* voice) {
  std::vector<float> out(kFrames);
  for (auto _ : state) {
    quarn::synthRender(voice, out.data(), kFrames);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_sample"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kFrames,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_SynthRender(benchmark::State& state) {
  quarn::SynthWrapper voice;
  renderVoice(state, voice.pointer);
}
BENCHMARK(BM_SynthRender);

// Full resonance, the filter envelope falling over a long decay.
void BM_SynthRenderResonant(benchmark::State& state) {
  quarn::SynthWrapper voice;
  quarn::synthSetResonance(voice.pointer, 1.0f);
  quarn::synthSetDecay(voice.pointer, 1.0f);
  quarn::synthPlayNote(voice.pointer);
  renderVoice(state, voice.pointer);
}
BENCHMARK(BM_SynthRenderResonant);

// Only the filter's dependency chain: state = fma(c, x - state, state).
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("fma")))
#endif
float filterChain(const float* input, float* out, float c, float state) {
  for (int i = 0; i < kFrames; ++i) {
    state = std::fma(c, input[i] - state, state);
    out[i] = state;
  }
  return state;
}

void BM_FilterChainBound(benchmark::State& state) {
  std::vector<float> input(kFrames), out(kFrames);
  for (int i = 0; i < kFrames; ++i) {
    input[i] = 2.0f * (static_cast<float>(i % 100) / 100.0f) - 1.0f;
  }
  float filterState = 0.0f;
  for (auto _ : state) {
    filterState = filterChain(input.data(), out.data(), 0.2f, filterState);
    benchmark::DoNotOptimize(filterState);
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_sample"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kFrames,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FilterChainBound);

}  // namespace

BENCHMARK_MAIN();
