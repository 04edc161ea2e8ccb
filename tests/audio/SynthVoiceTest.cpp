// The voice's samples, its switching and its edge cases.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "audio/SynthVoice.h"

namespace quarn {
namespace {

struct VoiceDeleter {
  void operator()(SynthVoice* voice) const { synthDestroy(voice); }
};
using Voice = std::unique_ptr<SynthVoice, VoiceDeleter>;

Voice freshVoice() { return Voice(synthCreate()); }

std::vector<float> render(SynthVoice* voice, int frames) {
  std::vector<float> out(static_cast<std::size_t>(frames), 99.0f);
  synthRender(voice, out.data(), frames);
  return out;
}

// The filter step written the long way, as the render must compute it: one
// rounding for the multiply-add.
std::vector<float> referenceSamples(float frequency, float cutoff, int frames) {
  float phase = 0.0f;
  float state = 0.0f;
  const float c = cutoff * 0.2f;
  const float inc = frequency / 44100.0f;
  std::vector<float> out;
  for (int i = 0; i < frames; ++i) {
    const float saw = 2.0f * phase - 1.0f;
    float next = phase + inc;
    if (next >= 1.0f) next -= 1.0f;
    state = std::fma(c, saw - state, state);
    phase = next;
    out.push_back(state * 0.5f);
  }
  return out;
}

TEST(SynthVoiceSamples, FreshVoiceStartsDownTheRamp) {
  Voice voice = freshVoice();
  const std::vector<float> out = render(voice.get(), 4);
  EXPECT_FLOAT_EQ(out[0], -0.1f);
  EXPECT_NEAR(out[1], -0.1780, 1e-4);
  EXPECT_NEAR(out[2], -0.2384, 1e-4);
  EXPECT_NEAR(out[3], -0.2847, 1e-4);
}

// Bit-exact against the fused reference over a spread of settings, and the
// reference really differs from an unfused multiply then add somewhere, so a
// voice that dropped the fused step would fail here.
TEST(SynthVoiceSamples, MatchesTheFusedFilterStepBitForBit) {
  const struct { float frequency, cutoff; } cases[] = {
      {440.0f, 1.0f}, {110.0f, 0.37f}, {1234.5f, 0.9f}, {55.0f, 0.01f}, {7000.0f, 0.5f}};
  bool anyUnfusedDifference = false;
  for (const auto& setting : cases) {
    Voice voice = freshVoice();
    synthSetFrequency(voice.get(), setting.frequency);
    synthSetCutoff(voice.get(), setting.cutoff);
    const std::vector<float> out = render(voice.get(), 4096);
    const std::vector<float> expected = referenceSamples(setting.frequency, setting.cutoff, 4096);
    for (std::size_t i = 0; i < out.size(); ++i) {
      ASSERT_EQ(out[i], expected[i]) << "frequency " << setting.frequency << " sample " << i;
    }
    float phase = 0.0f, fused = 0.0f, unfused = 0.0f;
    const float c = setting.cutoff * 0.2f;
    for (int i = 0; i < 4096; ++i) {
      const float saw = 2.0f * phase - 1.0f;
      fused = std::fma(c, saw - fused, fused);
      volatile float product = c * (saw - unfused);
      unfused = product + unfused;
      anyUnfusedDifference |= fused != unfused;
      phase += setting.frequency / 44100.0f;
      if (phase >= 1.0f) phase -= 1.0f;
    }
  }
  EXPECT_TRUE(anyUnfusedDifference);
}

TEST(SynthVoiceSamples, StateCarriesAcrossCalls) {
  Voice whole = freshVoice();
  Voice split = freshVoice();
  const std::vector<float> once = render(whole.get(), 300);
  std::vector<float> twice = render(split.get(), 100);
  const std::vector<float> rest = render(split.get(), 200);
  twice.insert(twice.end(), rest.begin(), rest.end());
  EXPECT_EQ(once, twice);
}

TEST(SynthVoiceSwitching, SilentWhileOffAndResumesWhereItStopped) {
  Voice voice = freshVoice();
  Voice untouched = freshVoice();
  render(voice.get(), 123);
  render(untouched.get(), 123);

  synthSetPlaying(voice.get(), false);
  const std::vector<float> off = render(voice.get(), 500);
  for (float sample : off) {
    ASSERT_EQ(sample, 0.0f);
  }
  EXPECT_EQ(voice->phase, untouched->phase);
  EXPECT_EQ(voice->filterState, untouched->filterState);

  synthSetPlaying(voice.get(), true);
  EXPECT_EQ(render(voice.get(), 200), render(untouched.get(), 200));
}

TEST(SynthVoiceEdges, ZeroOrNegativeFrameCountsDoNothing) {
  for (const std::int32_t count : {0, -1, -256, std::numeric_limits<std::int32_t>::min()}) {
    Voice voice = freshVoice();
    render(voice.get(), 10);
    const float phase = voice->phase;
    const float state = voice->filterState;
    float sentinel[4] = {7.0f, 7.0f, 7.0f, 7.0f};
    synthRender(voice.get(), sentinel, count);
    EXPECT_EQ(sentinel[0], 7.0f) << count;
    EXPECT_EQ(voice->phase, phase) << count;
    EXPECT_EQ(voice->filterState, state) << count;
  }
}

// One subtraction of 1 per sample at most, and no folding below 0.
TEST(SynthVoiceEdges, PhaseIsFoldedOnceUpwardAndNeverDownward) {
  const struct { float frequency; int frames; float phase; } cases[] = {
      {44100.0f, 1, 0.0f},   // increment 1: 0 + 1 folds to 0
      {66150.0f, 2, 1.0f},   // increment 1.5: 0 -> 0.5 -> 2.0 - 1
      {88200.0f, 3, 3.0f},   // increment 2: climbs by one each sample
      {-441.0f, 1, -0.01f},  // falls below 0 and stays there
  };
  for (const auto& c : cases) {
    Voice voice = freshVoice();
    synthSetFrequency(voice.get(), c.frequency);
    render(voice.get(), c.frames);
    EXPECT_FLOAT_EQ(voice->phase, c.phase) << c.frequency;
  }
  Voice falling = freshVoice();
  synthSetFrequency(falling.get(), -441.0f);
  const std::vector<float> out = render(falling.get(), 300);
  EXPECT_NEAR(falling->phase, -3.0f, 1e-3);
  for (float sample : out) {
    ASSERT_TRUE(std::isfinite(sample));
  }
}

TEST(SynthVoiceEdges, SampleRateTakesOnlyPositiveValues) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct { float given, kept; } cases[] = {
      {48000.0f, 48000.0f}, {0.5f, 0.5f}, {0.0f, 44100.0f},
      {-1.0f, 44100.0f},    {nan, 44100.0f}, {-std::numeric_limits<float>::infinity(), 44100.0f}};
  for (const auto& c : cases) {
    Voice voice = freshVoice();
    synthSetSampleRate(voice.get(), c.given);
    EXPECT_EQ(voice->sampleRate, c.kept) << c.given;
  }
}

TEST(SynthVoiceLifetime, CopyTakesEveryFieldAndDestroyAcceptsNull) {
  Voice source = freshVoice();
  synthSetSampleRate(source.get(), 48000.0f);
  synthSetFrequency(source.get(), 220.0f);
  synthSetCutoff(source.get(), 0.3f);
  synthSetResonance(source.get(), 0.7f);
  render(source.get(), 77);
  synthSetPlaying(source.get(), false);

  Voice copy = freshVoice();
  synthCopy(copy.get(), source.get());
  EXPECT_EQ(copy->sampleRate, 48000.0f);
  EXPECT_EQ(copy->phase, source->phase);
  EXPECT_EQ(copy->filterState, source->filterState);
  EXPECT_EQ(copy->frequency.load(), 220.0f);
  EXPECT_EQ(copy->cutoff.load(), 0.3f);
  EXPECT_EQ(copy->resonance.load(), 0.7f);
  EXPECT_FALSE(copy->isPlaying.load());

  synthDestroy(nullptr);
  SynthWrapper wrapper;
  ASSERT_NE(wrapper.pointer, nullptr);
  EXPECT_EQ(wrapper.pointer->frequency.load(), 440.0f);
  EXPECT_TRUE(wrapper.pointer->isPlaying.load());
}

}  // namespace
}  // namespace quarn
