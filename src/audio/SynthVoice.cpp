// SPDX-License-Identifier: GPL-3.0-or-later
// The voice's set-up, setters and the render loop.
#include "audio/SynthVoice.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace quarn {

SynthVoice* synthCreate() { return new (std::nothrow) SynthVoice(); }

void synthDestroy(SynthVoice* voice) { delete voice; }

void synthSetSampleRate(SynthVoice* voice, float sampleRate) {
  if (sampleRate > 0.0f) {  // false for NaN too
    voice->sampleRate = sampleRate;
  }
}

// Each parameter stands alone, so a release store (a plain store on most
// processors) is all a setter needs; the renderer reads whole values.
void synthSetFrequency(SynthVoice* voice, float frequency) { voice->frequency.store(frequency, std::memory_order_release); }
void synthSetCutoff(SynthVoice* voice, float cutoff) { voice->cutoff.store(cutoff, std::memory_order_release); }
void synthSetResonance(SynthVoice* voice, float resonance) { voice->resonance.store(resonance, std::memory_order_release); }
void synthSetPlaying(SynthVoice* voice, bool isPlaying) { voice->isPlaying.store(isPlaying, std::memory_order_release); }
void synthSetDecay(SynthVoice* voice, float decay) { voice->decay.store(decay, std::memory_order_release); }
void synthSetAccent(SynthVoice* voice, float accent) { voice->accent.store(accent, std::memory_order_release); }
void synthSetSlide(SynthVoice* voice, float slide) { voice->slide.store(slide, std::memory_order_release); }

void synthPlayNote(SynthVoice* voice) {
  voice->noteCount.fetch_add(1, std::memory_order_release);
  voice->isPlaying.store(true, std::memory_order_release);
}

namespace {

// The sample loop, kept free of the atomics so that it can be compiled twice:
// once for CPUs with a hardware fused multiply-add and once for the rest, where
// std::fma falls back to the exact (slower) library routine.
struct RenderState {
  float phase;
  float filterState;
};

__attribute__((always_inline)) inline RenderState renderLoop(RenderState state, float c, float inc, float* out,
                              std::int32_t frameCount) noexcept {
  float phase = state.phase;
  float filterState = state.filterState;
  for (std::int32_t i = 0; i < frameCount; ++i) {
    const float saw = 2.0f * phase - 1.0f;
    float next = phase + inc;
    if (next >= 1.0f) {
      next -= 1.0f;  // once only: an increment of 1 or more stays unfolded
    }
    filterState = std::fma(c, saw - filterState, filterState);
    phase = next;
    out[i] = filterState * 0.5f;
  }
  return {phase, filterState};
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("fma"))) RenderState renderWithFma(RenderState state, float c, float inc,
                                                         float* out, std::int32_t n) noexcept {
  return renderLoop(state, c, inc, out, n);
}

RenderState renderPortable(RenderState state, float c, float inc, float* out,
                           std::int32_t n) noexcept {
  return renderLoop(state, c, inc, out, n);
}

// Decided once at start-up, before any render thread exists.
const bool kCpuHasFma = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("fma") != 0;
}();

RenderState renderSamples(RenderState state, float c, float inc, float* out,
                          std::int32_t n) noexcept {
  return kCpuHasFma ? renderWithFma(state, c, inc, out, n) : renderPortable(state, c, inc, out, n);
}
#else
RenderState renderSamples(RenderState state, float c, float inc, float* out,
                          std::int32_t n) noexcept {
  return renderLoop(state, c, inc, out, n);
}
#endif

}  // namespace

void synthRender(SynthVoice* voice, float* out, std::int32_t frameCount) noexcept {
  const bool isPlaying = voice->isPlaying.load();
  if (frameCount < 1) {
    return;
  }
  if (!isPlaying) {
    for (std::int32_t i = 0; i < frameCount; ++i) {
      out[i] = 0.0f;
    }
    voice->shape.isSounding = false;
    return;
  }
  synthRenderSound(voice, out, frameCount);
}

void synthRenderSound(SynthVoice* voice, float* out, std::int32_t frameCount) noexcept {
  const ShapeParameters p{voice->frequency.load(), voice->cutoff.load(), voice->resonance.load(),
                          voice->decay.load(),     voice->accent.load(), voice->slide.load(),
                          voice->sampleRate};
  const std::uint32_t notes = voice->noteCount.load();
  if (frameCount < 1) {
    return;
  }
  VoiceShape& shape = voice->shape;
  if (notes != shape.seenNotes) {
    shape.seenNotes = notes;
    shapeStartNote(shape, p);
  }
  shape.isSounding = true;
  if (p.slide == 0.0f) {
    shape.glide = p.frequency;  // no slide: a new frequency is heard at once
  }
  if (!shapeIsIdle(shape, p)) {
    shapeRender(shape, p, voice->phase, voice->filterState, out, frameCount);
    return;
  }
  const float c = p.cutoff * 0.2f;
  const float inc = p.frequency / voice->sampleRate;
  const RenderState state =
      renderSamples({voice->phase, voice->filterState}, c, inc, out, frameCount);
  voice->phase = state.phase;
  voice->filterState = state.filterState;
}

SynthWrapper::SynthWrapper() : pointer(synthCreate()) {
  if (pointer == nullptr) {
    std::fputs("quarn: the synth voice could not be created\n", stderr);
    std::abort();
  }
}

SynthWrapper::~SynthWrapper() { synthDestroy(pointer); }

}  // namespace quarn
