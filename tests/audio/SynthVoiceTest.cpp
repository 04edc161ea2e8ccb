// SPDX-License-Identifier: GPL-3.0-or-later
// The voice's samples and its edge cases.
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
// The phase folds by at most 1 a sample, and never upward from below 0.
TEST(SynthVoiceSamples, MatchesTheFusedFilterStepBitForBit) {
  const struct { float frequency, cutoff; } cases[] = {
      {440.0f, 1.0f}, {110.0f, 0.37f}, {1234.5f, 0.9f}, {55.0f, 0.01f}, {7000.0f, 0.5f},
      {44100.0f, 0.5f}, {66150.0f, 0.5f}, {88200.0f, 0.5f}, {-441.0f, 0.5f}};
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

// A call for zero or fewer frames writes nothing and does not move the voice on;
// a sample rate that is not positive is ignored. (Silence while switched off is
// checked through the engine.)
TEST(SynthVoiceEdges, BadArgumentsChangeNothing) {
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

}  // namespace
}  // namespace quarn
