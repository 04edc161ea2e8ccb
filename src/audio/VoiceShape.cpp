// SPDX-License-Identifier: GPL-3.0-or-later
// The 303 side of the voice. The ladder's stages each read the stage before
// them as it stood one sample earlier: the four updates of a sample are then
// independent of one another, which keeps the ladder within a few times the
// one-pole's cost; the extra delay is made up by tuning the stages up.
//
// Bounded by construction: each stage is a convex mix of its input and itself
// (coefficient at most 1) and the first stage's input passes a saturator
// bounded by 1, so no stage ever leaves [-1, 1] whatever the resonance,
// cutoff or frequency.
#include "audio/VoiceShape.h"

#include <cmath>

namespace quarn {
namespace {

constexpr float kTwoPi = 6.28318530718f;
// The one-pole's cutoff mapping, and the ladder's tuning on top of it: with its
// stage delays the ladder would sing about a third below the one-pole's corner.
constexpr float kCutoffScale = 0.2f;
constexpr float kLadderTuning = 1.15f;
// Makes up the level the resonance takes from the pass band.
constexpr float kFeedbackMakeup = 0.35f;
// Below these the envelope, a glide's distance and a stage count as settled,
// so nothing decays into denormal numbers.
constexpr float kEnvelopeFloor = 1e-4f;
constexpr float kGlideSnapHz = 1e-3f;
constexpr float kStateFloor = 1e-15f;

// A smooth saturator: x - 4/27 x^3, flat at ±1 from |x| = 1.5 on; NaN gives 1.5's 1.
// Plain comparisons rather than fmin/fmax: one instruction each on the ladder's
// feedback path.
inline float saturate(float x) noexcept {
  const float upper = x < 1.5f ? x : 1.5f;
  const float clipped = upper > -1.5f ? upper : -1.5f;
  return clipped * std::fma(-4.0f / 27.0f, clipped * clipped, 1.0f);
}

// Per-sample factor of an exponential fall with the given time constant.
float fallFactor(float seconds, float sampleRate) noexcept {
  return seconds > 0.0f ? std::exp(-1.0f / (seconds * sampleRate)) : 0.0f;
}

float settled(float value) noexcept { return std::fabs(value) < kStateFloor ? 0.0f : value; }

}  // namespace

void shapeStartNote(VoiceShape& shape, const ShapeParameters& p) noexcept {
  if (p.slide > 0.0f && shape.isSounding) {
    return;  // a slide: the note goes on, only its pitch moves
  }
  shape.glide = p.frequency;  // a note from silence starts on its own pitch
  const float seconds = (p.decay > 0.0f ? p.decay * kMaxDecaySeconds : kAccentDecaySeconds) *
                        (1.0f - kAccentShortening * p.accent);
  shape.envelopeDepth = (p.decay > 0.0f ? kDecayDepth : 0.0f) + p.accent * kAccentDepth;
  shape.envelope = shape.envelopeDepth > 0.0f ? 1.0f : 0.0f;
  shape.envelopeFall = fallFactor(seconds, p.sampleRate);
  shape.noteLevel = 1.0f + kAccentLevel * p.accent;
}

bool shapeIsIdle(const VoiceShape& shape, const ShapeParameters& p) noexcept {
  return p.resonance == 0.0f && shape.envelope == 0.0f && shape.glide == p.frequency;
}

namespace {

struct LoopState {
  float phase, onePole, s0, s1, s2, s3, low, envelope, glide;
};

// The sample loop, compiled twice like the plain one: with a hardware fused
// multiply-add where the CPU has one, portable for the rest.
__attribute__((always_inline)) inline LoopState shapeLoop(LoopState s, const VoiceShape& shape,
                                                          const ShapeParameters& p, float* out,
                                                          std::int32_t frameCount) noexcept {
  const float feedback = p.resonance * kMaxFeedback;
  const float makeup = 1.0f + kFeedbackMakeup * feedback;
  const float blend = std::fmin(p.resonance / kBlendResonance, 1.0f);
  const float highpass = 1.0f - std::exp(-kTwoPi * kFeedbackHighpassHz / p.sampleRate);
  const float glideStep = p.slide > 0.0f ? 1.0f - fallFactor(p.slide * kMaxSlideSeconds, p.sampleRate) : 1.0f;
  const float perSample = 1.0f / p.sampleRate;
  for (std::int32_t i = 0; i < frameCount; ++i) {
    const float saw = 2.0f * s.phase - 1.0f;
    float next = s.phase + s.glide * perSample;
    if (next >= 1.0f) {
      next -= 1.0f;  // folded once, as in the plain loop
    }
    s.phase = next;
    s.glide = std::fma(glideStep, p.frequency - s.glide, s.glide);
    const float opening = std::fma(s.envelope, shape.envelopeDepth, p.cutoff);
    const float opened = opening < 1.0f ? opening : 1.0f;
    s.envelope = s.envelope < kEnvelopeFloor ? 0.0f : s.envelope * shape.envelopeFall;
    const float c = opened * kCutoffScale;
    const float g = c * kLadderTuning;
    s.onePole = std::fma(c, saw - s.onePole, s.onePole);
    const float input = saturate(saw - feedback * (s.s3 - s.low));
    s.low = std::fma(highpass, s.s3 - s.low, s.low);
    s.s3 = std::fma(g, s.s2 - s.s3, s.s3);
    s.s2 = std::fma(g, s.s1 - s.s2, s.s2);
    s.s1 = std::fma(g, s.s0 - s.s1, s.s1);
    s.s0 = std::fma(g, input - s.s0, s.s0);
    out[i] = std::fma(blend, s.s3 * makeup - s.onePole, s.onePole) * 0.5f;
  }
  return s;
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("fma"))) LoopState loopWithFma(LoopState s, const VoiceShape& shape,
                                                     const ShapeParameters& p, float* out,
                                                     std::int32_t n) noexcept {
  return shapeLoop(s, shape, p, out, n);
}

LoopState loopPortable(LoopState s, const VoiceShape& shape, const ShapeParameters& p, float* out,
                       std::int32_t n) noexcept {
  return shapeLoop(s, shape, p, out, n);
}

const bool kCpuHasFma = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("fma") != 0;
}();

LoopState runLoop(LoopState s, const VoiceShape& shape, const ShapeParameters& p, float* out,
                  std::int32_t n) noexcept {
  return kCpuHasFma ? loopWithFma(s, shape, p, out, n) : loopPortable(s, shape, p, out, n);
}
#else
LoopState runLoop(LoopState s, const VoiceShape& shape, const ShapeParameters& p, float* out,
                  std::int32_t n) noexcept {
  return shapeLoop(s, shape, p, out, n);
}
#endif

}  // namespace

void shapeRender(VoiceShape& shape, const ShapeParameters& p, float& phase, float& onePole, float* out,
                 std::int32_t frameCount) noexcept {
  const LoopState s = runLoop({phase, onePole, shape.stages[0], shape.stages[1], shape.stages[2],
                               shape.stages[3], shape.feedbackLow, shape.envelope, shape.glide},
                              shape, p, out, frameCount);
  phase = s.phase;
  onePole = s.onePole;
  shape.stages[0] = settled(s.s0);
  shape.stages[1] = settled(s.s1);
  shape.stages[2] = settled(s.s2);
  shape.stages[3] = settled(s.s3);
  shape.feedbackLow = settled(s.low);
  shape.envelope = s.envelope;
  shape.glide = std::fabs(p.frequency - s.glide) < kGlideSnapHz ? p.frequency : s.glide;
}

}  // namespace quarn
