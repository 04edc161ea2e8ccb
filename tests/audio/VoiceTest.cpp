// SPDX-License-Identifier: GPL-3.0-or-later
// The voice bit for bit, its resonance, accent, decay and slide, and the output limiter.
#include <cmath>

#include "RenderPull.h"
#include "audio/OutputStage.h"
#include "audio/VoiceShape.h"

namespace quarn {
namespace {

using K = SoundEventKind;
constexpr double kRate = 44100.0;

std::vector<float> render(SynthVoice* voice, int frames) {
  std::vector<float> out(static_cast<std::size_t>(frames), 99.0f);
  synthRender(voice, out.data(), frames);
  return out;
}

// Bit-exact against the fused filter step (the last case after resonance went back to 0); the
// unfused step must differ somewhere, or the check is blind. The phase folds by at most 1 a sample.
TEST(VoiceSamples, ResonanceZeroIsTheFusedFilterStepBitForBit) {
  const struct { float frequency, cutoff, resonanceBefore; } cases[] = {
      {440.0f, 1.0f, 0}, {110.0f, 0.37f, 0}, {1234.5f, 0.9f, 0}, {55.0f, 0.01f, 0}, {7000.0f, 0.5f, 0},
      {44100.0f, 0.5f, 0}, {66150.0f, 0.5f, 0}, {88200.0f, 0.5f, 0}, {-441.0f, 0.5f, 0}, {440.0f, 1.0f, 0.7f}};
  bool unfusedDiffers = false;
  for (const auto& s : cases) {
    SynthWrapper voice;
    synthSetFrequency(voice.pointer, s.frequency);
    synthSetCutoff(voice.pointer, s.cutoff);
    synthSetResonance(voice.pointer, s.resonanceBefore);
    if (s.resonanceBefore > 0) render(voice.pointer, 1000), synthSetResonance(voice.pointer, 0.0f);
    float phase = voice.pointer->phase, fused = voice.pointer->filterState, unfused = fused;
    const std::vector<float> out = render(voice.pointer, 4096);
    const float c = s.cutoff * 0.2f;
    for (std::size_t i = 0; i < out.size(); ++i) {
      const float saw = 2.0f * phase - 1.0f;
      fused = std::fma(c, saw - fused, fused);
      volatile float product = c * (saw - unfused);
      unfused = product + unfused;
      unfusedDiffers |= fused != unfused;
      ASSERT_EQ(out[i], fused * 0.5f) << s.frequency << " Hz after resonance " << s.resonanceBefore << ", sample " << i;
      phase += s.frequency / 44100.0f;
      if (phase >= 1.0f) phase -= 1.0f;
    }
  }
  EXPECT_TRUE(unfusedDiffers);
}

// No frames: nothing written, the voice not moved on; a rate not positive is ignored.
TEST(VoiceSamples, BadArgumentsChangeNothing) {
  SynthWrapper voice, untouched;
  float sentinel = 7.0f;
  for (const std::int32_t count : {0, -1, INT32_MIN}) synthRender(voice.pointer, &sentinel, count);
  EXPECT_EQ(sentinel, 7.0f);
  EXPECT_EQ(render(voice.pointer, 200), render(untouched.pointer, 200));
  for (const float given : {0.5f, 0.0f, -1.0f, NAN, -INFINITY}) {
    synthSetSampleRate(voice.pointer, given);
    EXPECT_EQ(voice.pointer->sampleRate, 0.5f) << given;
  }
}

// The level of `signal` at `hertz` (Goertzel), as a sine's amplitude.
double levelAt(const std::vector<float>& signal, double hertz) {
  const double coefficient = 2.0 * std::cos(2.0 * M_PI * hertz / kRate);
  double s1 = 0.0, s2 = 0.0;
  for (float x : signal) s2 = std::exchange(s1, x + coefficient * s1 - s2);
  return 2.0 * std::sqrt(s1 * s1 + s2 * s2 - coefficient * s1 * s2) / static_cast<double>(signal.size());
}

// A 27.5 Hz saw's strongest harmonic (weighed against its 1/n fall) lies near the one-pole's
// corner with resonance, and is the fundamental without.
TEST(VoiceResonance, PeakSingsAtTheCutoff) {
  for (const float cutoff : {0.3f, 0.6f, 1.0f}) {
    const double corner = -std::log(1.0 - cutoff * 0.2) * kRate / (2.0 * M_PI);
    for (const float resonance : {0.0f, 0.9f}) {
      SynthWrapper voice;
      synthSetFrequency(voice.pointer, 27.5f);
      synthSetCutoff(voice.pointer, cutoff);
      synthSetResonance(voice.pointer, resonance);
      render(voice.pointer, 22050);
      const std::vector<float> out = render(voice.pointer, 44100);
      double strongest = 0.0, at = 0.0;
      for (int n = 1; n * 27.5 < 3000.0; ++n) {
        if (const double level = levelAt(out, n * 27.5) * n; level > strongest) strongest = level, at = n * 27.5;
      }
      SCOPED_TRACE(testing::Message() << "cutoff " << cutoff << ", resonance " << resonance);
      if (resonance == 0.0f) EXPECT_LT(at, corner / 2);
      else EXPECT_NEAR(at / corner, 1.0, 0.2);
    }
  }
}

// A minute at full resonance sweeping cutoff and frequency: finite, bounded, no denormal state.
TEST(VoiceResonance, FullResonanceStaysBounded) {
  SynthWrapper voice;
  synthSetResonance(voice.pointer, 1.0f);
  const float frequencies[] = {0.0f, 20.0f, 55.0f, 440.0f, 5000.0f, 22050.0f, 44100.0f, 1e6f, -440.0f, 110.0f};
  std::vector<float> block(256);
  float peak = 0.0f;
  for (int second = 0; second < 60; ++second) {
    synthSetFrequency(voice.pointer, frequencies[second % std::size(frequencies)]);
    for (int i = 0; i < 44100 / 256; ++i) {
      synthSetCutoff(voice.pointer, static_cast<float>((i * 37) % 101) / 100.0f);
      synthRender(voice.pointer, block.data(), 256);
      for (float x : block) peak = std::isfinite(x) ? std::max(peak, std::fabs(x)) : INFINITY;
      for (float state : voice.pointer->shape.stages) ASSERT_NE(std::fpclassify(state), FP_SUBNORMAL);
    }
  }
  EXPECT_LE(peak, 0.5f * (1.0f + kMaxFeedback));
}

float peak(const std::vector<float>& x, std::size_t from, std::size_t to) {
  float p = 0.0f;
  for (std::size_t i = from; i < to; ++i) p = std::max(p, std::fabs(x[i]));
  return p;
}

// The steepest step against the loudest sample over 1024 frames: the wider open, the sharper.
double brightness(const std::vector<float>& x, std::size_t from) {
  double step = 0.0;
  for (std::size_t i = from + 1; i < from + 1024; ++i) step = std::max(step, double(std::fabs(x[i] - x[i - 1])));
  return step / peak(x, from + 1, from + 1024);
}

// Notes as the engine plays them: the settings, then two plays a quarter second apart.
std::vector<float> notes(EngineManager& engine, std::initializer_list<std::pair<K, float>> settings,
                         std::vector<float> out = {}) {
  for (const auto& [kind, value] : settings) engine.changeVoice(kind, value);
  for (int i = 0; i < 2; ++i) {
    engine.changeVoice(K::voicePlay, 0.0f);
    const std::vector<float> part = pull(engine, 11025);
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}
using VoiceNotes = PulledEngine;

// Accent louder; decay opens the filter at every play; a slide glides without restarting the envelope.
TEST_F(VoiceNotes, AccentDecayAndSlideShapeTheNotes) {
  const std::vector<float> plain = notes(engine, {{K::voiceFrequency, 110.0f}});
  const std::vector<float> accented = notes(engine, {{K::voiceAccent, 1.0f}});
  EXPECT_GT(peak(accented, 11025, 22050), 1.3f * peak(plain, 11025, 22050));
  constexpr std::size_t change = 22050;
  for (const float slide : {0.0f, 0.5f}) {
    SCOPED_TRACE(testing::Message() << "slide " << slide);
    const std::vector<float> out = notes(engine, {{K::voiceFrequency, 440.0f}}, notes(engine, {{K::voiceAccent, 0.0f},
        {K::voiceSlide, slide}, {K::voiceDecay, 0.02f}, {K::voiceCutoff, 0.05f}, {K::voiceFrequency, 110.0f}}));
    const auto heard = [&](std::size_t from) { return pitch(out, from, from + 1024); };
    const auto opensAt = [&](std::size_t from) { return brightness(out, from) > 2.0 * brightness(out, from + 8000); };
    EXPECT_NEAR(heard(change - 2048), 110.0, 45.0);
    if (slide == 0.0f) {
      EXPECT_TRUE(opensAt(0) && opensAt(11025) && opensAt(change) && opensAt(change + 11025));
      EXPECT_NEAR(heard(change), 440.0, 45.0);
    } else {
      EXPECT_GT(heard(change), 150.0);
      EXPECT_LT(heard(change), 350.0);
      EXPECT_LT(brightness(out, change), 1.2 * brightness(out, change + 8000));
      EXPECT_NEAR(heard(change + 20000), 440.0, 45.0);
    }
  }
  EXPECT_EQ(allocatorCalls.load(), 0);
}

// Below the threshold bit for bit; above, rising, within 1, meeting the line without a step.
TEST(OutputLimiter, PassesQuietSamplesAndBendsLoudOnes) {
  for (const float x : {0.0f, -0.0f, 1e-30f, 0.5f, -0.8f, kLimiterThreshold, -kLimiterThreshold}) {
    EXPECT_EQ(limitSample(x), x);
  }
  float previous = kLimiterThreshold;
  for (float x = kLimiterThreshold + 1e-4f; x < 10.0f; x *= 1.01f) {
    const float y = limitSample(x);
    ASSERT_TRUE(y >= previous && y <= 1.0f && limitSample(-x) == -y) << x;
    previous = y;
  }
  EXPECT_NEAR(limitSample(kLimiterThreshold + 1e-4f), kLimiterThreshold + 1e-4f, 1e-6f);
  EXPECT_EQ((std::array{limitSample(INFINITY), limitSample(-INFINITY), limitSample(NAN)}), (std::array{1.0f, -1.0f, 0.0f}));
}

}  // namespace
}  // namespace quarn
