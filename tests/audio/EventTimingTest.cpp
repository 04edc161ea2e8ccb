// SPDX-License-Identifier: GPL-3.0-or-later
// Stamped sound changes pulled through the render without a device, the queue, the sample cache
// and the clocks.
#include <thread>

#include "RenderPull.h"
#include "audio/DeviceClock.h"
#include "audio/EngineLimits.h"
#include "audio/SampleCache.h"
#include "audio/VirtualClock.h"
#include "audio/VoiceLevel.h"

namespace quarn {
namespace {

using Kind = SoundEventKind;
using EventTiming = PulledEngine;

struct Change { std::int64_t frame; Kind kind; float value; };

const int kRampFrames = static_cast<int>(kVoiceRampSeconds * 44100.0f);

// The voice with the changes made by hand at their frames (stable order), a sample at a time,
// its level ramping straight between 0 and 1.
std::vector<float> expectedVoice(std::vector<Change> changes, int frames) {
  std::stable_sort(changes.begin(), changes.end(), [](auto& a, auto& b) { return a.frame < b.frame; });
  SynthWrapper reference;
  std::vector<float> out(static_cast<std::size_t>(frames));
  const float step = 1.0f / (kVoiceRampSeconds * 44100.0f);
  float level = 0.0f;
  bool isOn = false;
  auto next = changes.begin();
  for (int i = 0; i < frames; ++i) {
    for (; next != changes.end() && next->frame == i; ++next) {
      if (next->kind == Kind::voicePlay || next->kind == Kind::halt) isOn = next->kind != Kind::halt;
      if (next->kind == Kind::voiceFrequency) synthSetFrequency(reference.pointer, next->value);
      if (next->kind == Kind::voiceCutoff) synthSetCutoff(reference.pointer, next->value);
    }
    if (!isOn && level == 0.0f) continue;
    synthRender(reference.pointer, &out[i], 1);
    level = isOn ? std::min(level + step, 1.0f) : std::max(level - step, 0.0f);
    out[i] *= level;
  }
  return out;
}

SoundStamp at(std::int64_t frame) { return {frame, kCurrentGeneration}; }

// Sent in order to a fresh engine; the last two in reverse frame order, one filling the queue.
TEST_F(EventTiming, ChangesApplyAtTheirExactFrames) {
  std::vector<Change> reversed;
  for (int i = static_cast<int>(kSoundEventQueueCapacity) - 1; i >= 0; --i)
    reversed.push_back({i * 2, i == 0 ? Kind::voicePlay : Kind::voiceFrequency, 100.0f + i});
  const struct { std::vector<Change> changes; int block; } cases[] = {
      {{{1000, Kind::voicePlay, 0}}, 4096},
      {{{100, Kind::voicePlay, 0}, {1500, Kind::voiceFrequency, 220}, {1501, Kind::voiceCutoff, 0.3f},
        {4095, Kind::voiceFrequency, 880}}, 4096},
      {{{10, Kind::voicePlay, 0}, {2000, Kind::voiceFrequency, 300}, {2000, Kind::voiceFrequency, 600}}, 4096},
      {{{10, Kind::voicePlay, 0}, {3000, Kind::halt, 0}}, 4096},
      {{{5000, Kind::voiceFrequency, 1000}, {700, Kind::voiceFrequency, 100}, {300, Kind::voicePlay, 0}}, 256},
      {reversed, 8192},
  };
  for (const auto& [changes, block] : cases) {
    SCOPED_TRACE(testing::Message() << changes.size() << " changes, the last at " << changes.back().frame);
    EngineManager fresh{dir, AudioOutput::pulled};
    fresh.start();
    for (const Change& c : changes) {
      if (c.kind == Kind::halt) fresh.halt(c.frame);
      else fresh.changeVoice(c.kind, c.value, at(c.frame));
    }
    EXPECT_EQ(pull(fresh, 8192, block), expectedVoice(changes, 8192));
  }
  EXPECT_EQ(allocatorCalls.load(), 0);
}

// A late change applies at the next block's start; the silent voice has not moved on.
TEST_F(EventTiming, LateChangesApplyAtTheNextBlock) {
  pull(engine, 1024, 1024);
  engine.changeVoice(Kind::voicePlay, 0, at(100));
  EXPECT_EQ(pull(engine, 1024, 1024), expectedVoice({{0, Kind::voicePlay, 0}}, 1024));
}

// A halt cuts both sources at its stamp and drops what its run sent for later; unstamped, it drops all.
TEST_F(EventTiming, HaltsCutAtTheirStampAndDropWhatWaits) {
  const std::uint64_t run = engine.runGeneration();
  engine.changeVoice(Kind::voicePlay, 0, {0, run});
  engine.playSample("tone", {2500, run});
  engine.changeVoice(Kind::voiceFrequency, 880, {3500, run});
  engine.halt(3000);
  engine.playSample("tone", {3200, run});
  engine.changeVoice(Kind::voicePlay, 0, {6000, engine.runGeneration()});
  const std::vector<float> out = pull(engine, 8192);
  const std::vector<float> voice = expectedVoice({{0, Kind::voicePlay, 0}}, 3000);
  EXPECT_TRUE(std::equal(voice.begin(), voice.begin() + 2500, out.begin())) << "the voice until the tone";
  EXPECT_NE(out[2501], voice[2501]) << "the tone from 2500";
  EXPECT_EQ(soundingLength(std::vector<float>(out.begin() + 3000, out.begin() + 6000), 0.0f), kRampFrames)
      << "the voice fades out from the halt";
  EXPECT_GT(soundingLength(std::vector<float>(out.begin() + 6000, out.end())), 0u);

  engine.playSample("tone", at(engine.renderedFrames() + 1000));
  engine.changeVoice(Kind::voiceFrequency, 100, at(engine.renderedFrames() + 1000));
  engine.halt();
  pull(engine, kRampFrames);
  EXPECT_TRUE(silent(4096));
  EXPECT_EQ(allocatorCalls.load(), 0);
  EXPECT_EQ(lines, std::vector<std::string>{});
}

// A full queue holds the sender back; with nothing rendering it drops, saying so once.
TEST_F(EventTiming, AFullQueueHoldsTheSenderBack) {
  constexpr int kSends = static_cast<int>(kSoundEventQueueCapacity) + 100;
  std::atomic<bool> done{false};
  std::thread script([&] {
    for (int i = 1; i <= kSends; ++i) engine.changeVoice(Kind::voiceFrequency, static_cast<float>(i));
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(done.load());
  while (!done.load()) pull(engine, 256);
  script.join();
  pull(engine, 256);
  EXPECT_EQ(engine.synth->pointer->frequency.load(), static_cast<float>(kSends));
  EXPECT_TRUE(lines.empty());

  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kSends; ++i) engine.changeVoice(Kind::voiceFrequency, 1.0f);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(kSoundQueueWaitMilliseconds));
  EXPECT_LT(took, std::chrono::milliseconds(30 * kSoundQueueWaitMilliseconds));
  EXPECT_EQ(lines, std::vector<std::string>{
                       "[VRKLog] Sound changes dropped: the audio output takes none; check the sound device."});
}

// Decoded once; least recently used go past the limit, but a lent sound stays valid.
TEST_F(EventTiming, DecodedSoundsAreKeptWithinTheirLimit) {
  for (const char* name : {"a", "b", "c"}) writeSine(dir / (std::string(name) + ".wav"), 44100, {441.0}, 1000);
  SampleCache cache(dir, 2 * 1000 * 2 * sizeof(float));
  SampleCache::Outcome outcome;
  const SampleBuffer* a = cache.lend("a", &outcome);
  std::filesystem::remove(dir / "a.wav");
  EXPECT_EQ(cache.lend("a", &outcome), a) << "not read again";
  cache.giveBack(a);
  cache.lend("b", &outcome);
  cache.lend("c", &outcome);
  EXPECT_EQ(cache.keptCount(), 2u);
  EXPECT_EQ(a->frameCount, 1000) << "evicted but still lent";
  cache.giveBack(a);
  EXPECT_EQ(cache.lend("a", &outcome), nullptr);
  EXPECT_EQ(outcome, SampleCache::Outcome::missing);
}

// A stalled render holds the device's time a run-on past its last block; the next block counts it.
TEST(DeviceClockStall, HoldsTimeAndCountsTheStall) {
  DeviceClock clock;
  clock.blockRendered(4096);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_LE(clock.currentFrame(), 4096 + kDeviceClockRunOnFrames);
  EXPECT_EQ(clock.stalledFrames(), 0);
  clock.blockRendered(4096 + 256);
  EXPECT_GE(clock.stalledFrames(), 44100 * 3 / 10) << "400 ms held, less the blocks' lead";
  EXPECT_LE(clock.currentFrame(), 4096 + 256 + 44100 / 100);
}

TEST(VirtualTurns, ACancelledAnnouncementLeavesTheCallersTurn) {
  VirtualClock clock(2);
  std::thread script([&clock] {
    clock.begin(0);
    for (int i = 0; i < 3; ++i) {
      EXPECT_TRUE(clock.announce());
      clock.cancelAnnouncement();
    }
    clock.sleepUntil(10, [] { return false; });
    clock.end();
  });
  for (const std::optional<std::int64_t> due : {std::optional<std::int64_t>(0), {10}, {}}) {
    EXPECT_EQ(clock.nextDue(), due);
    if (due) clock.resumeNext();
  }
  script.join();
}

}  // namespace
}  // namespace quarn
