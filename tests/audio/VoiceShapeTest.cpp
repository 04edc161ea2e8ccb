// SPDX-License-Identifier: GPL-3.0-or-later
// The voice's 303 side: the resonant ladder's peak and its bounds, and what
// accent, decay and slide do to the notes heard through the engine; the output
// stage's limiter.
#include <cmath>

#include "RenderPull.h"
#include "audio/OutputStage.h"
#include "audio/VoiceShape.h"

namespace quarn {
namespace {

constexpr double kRate = 44100.0;

// The level of `signal` at `hertz` (Goertzel), as a sine's amplitude.
double levelAt(const std::vector<float>& signal, double hertz) {
  const double coefficient = 2.0 * std::cos(2.0 * M_PI * hertz / kRate);
  double s1 = 0.0, s2 = 0.0;
  for (float x : signal) {
    const double s = x + coefficient * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  return 2.0 * std::sqrt(s1 * s1 + s2 * s2 - coefficient * s1 * s2) / static_cast<double>(signal.size());
}

std::vector<float> renderVoice(SynthVoice* voice, int frames) {
  std::vector<float> out(static_cast<std::size_t>(frames));
  synthRender(voice, out.data(), frames);
  return out;
}

// A 27.5 Hz saw's harmonics through the filter: with resonance the strongest
// (weighed against the saw's own 1/n fall) lies near the one-pole's corner
// frequency for the same cutoff; without it, the fundamental is.
TEST(VoiceResonance, PeakSingsAtTheCutoff) {
  for (const float cutoff : {0.3f, 0.6f, 1.0f}) {
    const double corner = -std::log(1.0 - cutoff * 0.2) * kRate / (2.0 * M_PI);
    for (const float resonance : {0.0f, 0.9f}) {
      SynthWrapper voice;
      synthSetFrequency(voice.pointer, 27.5f);
      synthSetCutoff(voice.pointer, cutoff);
      synthSetResonance(voice.pointer, resonance);
      renderVoice(voice.pointer, 22050);
      const std::vector<float> out = renderVoice(voice.pointer, 44100);
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

// A minute at full resonance, sweeping the cutoff every block across its whole
// range at frequencies from none to far past the sample rate: every sample is
// finite and bounded, and no state decays into denormal numbers.
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

// Stepping resonance back to 0 returns to the plain voice at once.
TEST(VoiceResonance, ZeroAgainIsThePlainVoice) {
  SynthWrapper voice, plain;
  synthSetResonance(voice.pointer, 0.7f);
  renderVoice(voice.pointer, 1000);
  synthSetResonance(voice.pointer, 0.0f);
  synthCopy(plain.pointer, voice.pointer);
  const std::vector<float> after = renderVoice(voice.pointer, 512);
  std::vector<float> expected(512);
  float phase = plain.pointer->phase, state = plain.pointer->filterState;
  for (float& x : expected) {
    state = std::fma(0.2f, 2.0f * phase - 1.0f - state, state);
    phase += 440.0f / 44100.0f;
    if (phase >= 1.0f) phase -= 1.0f;
    x = state * 0.5f;
  }
  EXPECT_EQ(after, expected);
}

// Notes as the engine plays them: each a play at 110 Hz, a quarter second apart.
class VoiceNotes : public PulledEngine {
protected:
  std::vector<float> notes(std::initializer_list<std::pair<SoundEventKind, float>> settings, int count = 2) {
    for (const auto& [kind, value] : settings) engine.changeVoice(kind, value);
    std::vector<float> out;
    for (int i = 0; i < count; ++i) {
      engine.changeVoice(SoundEventKind::voicePlay, 0.0f);
      const std::vector<float> part = pull(engine, 11025);
      out.insert(out.end(), part.begin(), part.end());
    }
    return out;
  }
  static float peak(const std::vector<float>& x, std::size_t from, std::size_t to) {
    float p = 0.0f;
    for (std::size_t i = from; i < to; ++i) p = std::max(p, std::fabs(x[i]));
    return p;
  }
  // The steepest step against the loudest sample over 1024 frames from
  // `from`: the wider the filter is open, the sharper the saw's falling edge.
  static double brightness(const std::vector<float>& x, std::size_t from) {
    double step = 0.0, size = 0.0;
    for (std::size_t i = from + 1; i < from + 1024; ++i) {
      step = std::max(step, double(std::fabs(x[i] - x[i - 1])));
      size = std::max(size, double(std::fabs(x[i])));
    }
    return step / size;
  }
};

// The accent makes the next notes louder; decay and accent open the filter at
// a note's start and let it close; every play starts the envelope again.
TEST_F(VoiceNotes, AccentAndDecayShapeEachNote) {
  engine.changeVoice(SoundEventKind::voiceFrequency, 110.0f);
  const std::vector<float> plain = notes({});
  const std::vector<float> accented = notes({{SoundEventKind::voiceAccent, 1.0f}});
  EXPECT_GT(peak(accented, 11025, 22050), 1.3f * peak(plain, 11025, 22050));
  const std::vector<float> decaying =
      notes({{SoundEventKind::voiceAccent, 0.0f}, {SoundEventKind::voiceDecay, 0.02f}, {SoundEventKind::voiceCutoff, 0.05f}});
  for (const std::size_t start : {0u, 11025u}) {
    EXPECT_GT(brightness(decaying, start), 2.0 * brightness(decaying, start + 8000)) << start;
  }
  EXPECT_EQ(allocatorCalls.load(), 0);
}

// Rising zero crossings per second over 1024 frames from `from`.
double pitchAt(const std::vector<float>& x, std::size_t from) {
  int crossings = 0;
  for (std::size_t i = from + 1; i < from + 1024; ++i) crossings += x[i - 1] < 0 && x[i] >= 0;
  return crossings * kRate / 1024.0;
}

// With a slide a new frequency is reached along a glide and the play that
// comes with it does not restart the envelope; without one it is there at once.
TEST_F(VoiceNotes, SlideGlidesWithoutRestartingTheEnvelope) {
  for (const float slide : {0.0f, 0.5f}) {
    SCOPED_TRACE(testing::Message() << "slide " << slide);
    engine.changeVoice(SoundEventKind::voiceSlide, slide);
    engine.changeVoice(SoundEventKind::voiceDecay, 0.02f);
    engine.changeVoice(SoundEventKind::voiceCutoff, 0.05f);
    engine.changeVoice(SoundEventKind::voiceFrequency, 110.0f);
    std::vector<float> out = notes({});
    engine.changeVoice(SoundEventKind::voiceFrequency, 440.0f);
    const std::vector<float> slid = notes({});
    out.insert(out.end(), slid.begin(), slid.end());
    const std::size_t change = 22050;
    EXPECT_NEAR(pitchAt(out, change - 2048), 110.0, 45.0);
    if (slide == 0.0f) {
      EXPECT_NEAR(pitchAt(out, change), 440.0, 45.0);
      EXPECT_GT(brightness(out, change), 2.0 * brightness(out, change + 8000));
    } else {
      EXPECT_GT(pitchAt(out, change), 150.0);
      EXPECT_LT(pitchAt(out, change), 350.0);
      EXPECT_LT(brightness(out, change), 1.2 * brightness(out, change + 8000));
      EXPECT_NEAR(pitchAt(out, change + 20000), 440.0, 45.0);
    }
  }
}

// Below the threshold every sample passes bit for bit; above it the curve
// rises, never reaches past 1, and meets the line without a step.
TEST(OutputLimiter, PassesQuietSamplesAndBendsLoudOnes) {
  for (const float x : {0.0f, -0.0f, 1e-30f, 0.5f, -0.8f, kLimiterThreshold, -kLimiterThreshold}) {
    EXPECT_EQ(limitSample(x), x);
  }
  float previous = kLimiterThreshold;
  for (float x = kLimiterThreshold + 1e-4f; x < 10.0f; x *= 1.01f) {
    const float y = limitSample(x);
    ASSERT_GE(y, previous) << x;
    ASSERT_LE(y, 1.0f) << x;
    ASSERT_EQ(limitSample(-x), -y);
    previous = y;
  }
  EXPECT_NEAR(limitSample(kLimiterThreshold + 1e-4f), kLimiterThreshold + 1e-4f, 1e-6f);
  EXPECT_EQ(limitSample(INFINITY), 1.0f);
  EXPECT_EQ(limitSample(-INFINITY), -1.0f);
  EXPECT_EQ(limitSample(NAN), 0.0f);
}

}  // namespace
}  // namespace quarn
