// SPDX-License-Identifier: GPL-3.0-or-later
// The sampler pulled directly: rates, unreadable files, an allocation-free hand-over.
#include <gtest/gtest.h>
#include <samplerate.h>

#include <fstream>
#include <thread>

#include "audio/EngineLimits.h"
#include "RenderPull.h"

namespace quarn {
namespace {
using EngineSampler = PulledEngine;

// Clamped and finite; blocks of 3000 cross the varispeed scratch size. Nothing allocates.
TEST_F(EngineSampler, PlaysAtTheGivenRateClampedToItsRange) {
  const struct { float rate; int block; double heard; } cases[] = {
      {1.0f, 256, 1.0}, {2.0f, 1, 2.0}, {2.0f, 3000, 2.0}, {0.3f, 5000, 0.3}, {0.0f, 256, kMinSamplerRate},
      {-1.0f, 256, kMinSamplerRate}, {1e9f, 256, kMaxSamplerRate}, {INFINITY, 256, kMaxSamplerRate},
      {NAN, 256, kDefaultSamplerRate}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rate << " in blocks of " << c.block);
    engine.setSamplerRate(c.rate);
    engine.playSample("tone");
    const std::vector<float> out = pull(engine, kFileFrames * 5, c.block);
    EXPECT_EQ(allocatorCalls.load(), 0);
    for (float sample : out) ASSERT_TRUE(std::isfinite(sample));
    const std::size_t length = soundingLength(out);
    EXPECT_NEAR(length / 44100.0, 0.5 / c.heard, 0.01);
    EXPECT_NEAR(pitch(out, length / 10, length * 9 / 10), 441 * c.heard, 9 * c.heard);
  }
}

// Unreadable files (too slow ones too) say nothing and leave the playing sound; a NUL name is not found.
TEST_F(EngineSampler, UnreadableFileIsSilentAndKeepsThePlayerGoing) {
  std::ofstream(dir / "broken.wav") << "this is not a sound file";
  writeSine(dir / "tooslow.wav", kMinFileSampleRate - 1, {100.0});
  engine.playSample("tone");
  pull(engine, 1000);
  engine.playSample("broken");
  engine.playSample("tooslow");
  EXPECT_TRUE(lines.empty());
  EXPECT_NEAR(soundingLength(pull(engine, kFileFrames)), kFileFrames - 1000, 441);
  engine.playSample(std::string("tone\0x", 6));  // shown escaped, as every control character
  EXPECT_EQ(lines, std::vector<std::string>{"[VRKLog] Audio file could not be found: tone\\x00x.wav"});
  EXPECT_TRUE(silent(2048));
}

// Nothing allocates in render during a hand-over; first the counter is seen to count C++ and C.
TEST_F(EngineSampler, HandOverWhilePlayingAllocatesNothing) {
  int error = 0;
  isCounting = true;
  int* volatile cxx = new int(1);  // volatile: the pair may not be elided
  delete cxx;
  const int cxxCalls = allocatorCalls.exchange(0);
  src_delete(src_new(SRC_SINC_FASTEST, 2, &error));
  isCounting = false;
  ASSERT_EQ(cxxCalls == 2 && allocatorCalls.exchange(0) > 0, kCountsAllocations);
  writeSine(dir / "other.wav", 48000, {441.0, 300.0}, 14400);
  synthSetPlaying(engine.synth->pointer, true);
  std::atomic<bool> done{false};
  std::thread script([&] {
    for (int i = 0; i < 60; ++i) {
      const SoundStamp soon{engine.renderedFrames() + 100 * (i % 5), kCurrentGeneration};
      engine.playSample(i % 2 ? "tone" : "other", soon);
      engine.setSamplerRate(i % 3 ? 1.0f : 2.0f, soon);
      engine.changeVoice(SoundEventKind::voiceFrequency, 200.0f + i, soon);
      if (i % 7 == 0) engine.stopSampler();
      if (i % 13 == 0) engine.halt(soon.frame);
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    done = true;
  });
  for (int blocks = 0; !done.load() || blocks < 100; ++blocks) pull(engine, 256, 256, false);
  script.join();
  EXPECT_EQ(allocatorCalls.load(), 0);
}

}  // namespace
}  // namespace quarn
