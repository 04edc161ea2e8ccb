// The voice's samples, its switching and its edge cases.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/SynthVoice.h"

namespace quarn {
namespace {

std::vector<float> render(SynthVoice* voice, int frames) {
  std::vector<float> out(frames, 99.0f);
  synthRender(voice, out.data(), frames);
  return out;
}

// Bit-exact against the filter step with one rounding for the multiply-add;
// the same step with two roundings must differ somewhere, or the check is blind.
TEST(SynthVoiceSamples, MatchesTheFusedFilterStepBitForBit) {
  const struct { float frequency, cutoff; } cases[] = {
      {440.0f, 1.0f}, {110.0f, 0.37f}, {1234.5f, 0.9f}, {55.0f, 0.01f}, {7000.0f, 0.5f}};
  bool unfusedDiffers = false;
  for (const auto& s : cases) {
    SynthWrapper voice;
    synthSetFrequency(voice.pointer, s.frequency);
    synthSetCutoff(voice.pointer, s.cutoff);
    const std::vector<float> out = render(voice.pointer, 4096);
    float phase = 0.0f, fused = 0.0f, unfused = 0.0f;
    const float c = s.cutoff * 0.2f;
    for (std::size_t i = 0; i < out.size(); ++i) {
      const float saw = 2.0f * phase - 1.0f;
      fused = std::fma(c, saw - fused, fused);
      volatile float product = c * (saw - unfused);
      unfused = product + unfused;
      unfusedDiffers |= fused != unfused;
      ASSERT_EQ(out[i], fused * 0.5f) << s.frequency << " Hz, sample " << i;
      phase += s.frequency / 44100.0f;
      if (phase >= 1.0f) phase -= 1.0f;
    }
  }
  EXPECT_TRUE(unfusedDiffers);
}

// Switched off the voice is silent, and neither that nor a call for zero or
// fewer frames moves it on: it resumes exactly where it stopped.
TEST(SynthVoiceContinuity, SilenceAndEmptyCallsResumeWhereItStopped) {
  SynthWrapper voice, untouched;
  EXPECT_EQ(render(voice.pointer, 123), render(untouched.pointer, 123));
  synthSetPlaying(voice.pointer, false);
  EXPECT_EQ(render(voice.pointer, 500), std::vector<float>(500, 0.0f));
  synthSetPlaying(voice.pointer, true);
  for (const std::int32_t count : {0, -1, INT32_MIN}) {
    float sentinel = 7.0f;
    synthRender(voice.pointer, &sentinel, count);
    EXPECT_EQ(sentinel, 7.0f) << count;
  }
  EXPECT_EQ(render(voice.pointer, 200), render(untouched.pointer, 200));
}

// At most one subtraction of 1 per sample, and no folding below 0.
TEST(SynthVoiceEdges, PhaseIsFoldedOnceUpwardAndNeverDownward) {
  const struct { float frequency; int frames; float phase; } cases[] = {
      {44100.0f, 1, 0.0f}, {66150.0f, 2, 1.0f}, {88200.0f, 3, 3.0f}, {-441.0f, 300, -3.0f}};
  for (const auto& c : cases) {
    SynthWrapper voice;
    synthSetFrequency(voice.pointer, c.frequency);
    for (float sample : render(voice.pointer, c.frames)) ASSERT_TRUE(std::isfinite(sample));
    EXPECT_NEAR(voice.pointer->phase, c.phase, 1e-3) << c.frequency;
  }
}

TEST(SynthVoiceEdges, SampleRateTakesOnlyPositiveValues) {
  SynthWrapper voice;
  for (const float given : {0.5f, 0.0f, -1.0f, NAN, -INFINITY}) {
    synthSetSampleRate(voice.pointer, given);
    EXPECT_EQ(voice.pointer->sampleRate, 0.5f) << given;
  }
}

}  // namespace
}  // namespace quarn
