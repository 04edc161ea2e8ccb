// Stamped sound changes pulled through the render without a device: each applies
// at its exact frame, several in one block, same-stamp changes in send order,
// late ones at the next block's start; halts cut at their stamp and drop what
// waits; a full queue holds the sender back; decoded sounds are kept, by size.
#include <sndfile.h>

#include <filesystem>
#include <thread>

#include "RenderPull.h"
#include "audio/EngineLimits.h"
#include "audio/SampleCache.h"
#include "support/Diagnostics.h"

namespace quarn {
namespace {

using Kind = SoundEventKind;

struct Change {
  std::int64_t frame;
  Kind kind;
  float value;
};

// What the voice renders with the changes made by hand at their frames.
std::vector<float> expectedVoice(const std::vector<Change>& changes, int frames) {
  SynthWrapper reference;
  synthSetPlaying(reference.pointer, false);
  std::vector<float> out(static_cast<std::size_t>(frames));
  int done = 0;
  for (std::size_t i = 0; i <= changes.size(); ++i) {
    const int until = i < changes.size() ? static_cast<int>(changes[i].frame) : frames;
    synthRender(reference.pointer, out.data() + done, until - done);
    done = until;
    if (i == changes.size()) break;
    const Change& c = changes[i];
    if (c.kind == Kind::voicePlay) synthSetPlaying(reference.pointer, true);
    if (c.kind == Kind::voiceFrequency) synthSetFrequency(reference.pointer, c.value);
    if (c.kind == Kind::voiceCutoff) synthSetCutoff(reference.pointer, c.value);
    if (c.kind == Kind::halt) synthSetPlaying(reference.pointer, false);
  }
  return out;
}

SoundStamp at(std::int64_t frame) { return {frame, kCurrentGeneration}; }

void sendTo(EngineManager& engine, const Change& c) {
  if (c.kind == Kind::halt) engine.halt(c.frame);
  else engine.changeVoice(c.kind, c.value, at(c.frame));
}

void writeClick(const std::filesystem::path& file, int frames) {
  SF_INFO info{0, 44100, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
  SNDFILE* sound = sf_open(file.c_str(), SFM_WRITE, &info);
  std::vector<float> data(static_cast<std::size_t>(frames), 0.5f);
  sf_writef_float(sound, data.data(), frames);
  sf_close(sound);
}

class EventTiming : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directories(dir);
    writeClick(dir / "click.wav", 2000);
    setLineSink([this](std::string_view line) { lines.emplace_back(line); });
    engine.start();
    allocatorCalls = 0;
  }
  void TearDown() override { setLineSink({}); std::filesystem::remove_all(dir); }
  void send(const Change& c) { sendTo(engine, c); }

  const std::filesystem::path dir = testing::TempDir() + "quarn-events-" + std::to_string(getpid());
  EngineManager engine{dir, AudioOutput::pulled};
  std::vector<std::string> lines;
};

// Each list is sent in order and pulled in one block of 4096 frames.
TEST_F(EventTiming, ChangesApplyAtTheirExactFrames) {
  const std::vector<std::vector<Change>> cases = {
      {{1000, Kind::voicePlay, 0}},
      {{100, Kind::voicePlay, 0}, {1500, Kind::voiceFrequency, 220}, {1501, Kind::voiceCutoff, 0.3f},
       {4095, Kind::voiceFrequency, 880}},
      {{10, Kind::voicePlay, 0}, {2000, Kind::voiceFrequency, 300}, {2000, Kind::voiceFrequency, 600}},
      {{10, Kind::voicePlay, 0}, {3000, Kind::halt, 0}},
  };
  for (const auto& changes : cases) {
    SCOPED_TRACE(testing::Message() << changes.size() << " changes, the last at " << changes.back().frame);
    EngineManager fresh{dir, AudioOutput::pulled};
    fresh.start();
    for (const Change& c : changes) sendTo(fresh, c);
    EXPECT_EQ(pull(fresh, 4096, 4096), expectedVoice(changes, 4096));
  }
  EXPECT_EQ(allocatorCalls.load(), 0);
}

// Sent in the opposite order of their frames and out of step with the blocks.
TEST_F(EventTiming, ChangesSentOutOfOrderStillApplyInFrameOrder) {
  const std::vector<Change> changes = {{300, Kind::voicePlay, 0}, {700, Kind::voiceFrequency, 100},
                                       {5000, Kind::voiceFrequency, 1000}};
  for (auto c = changes.rbegin(); c != changes.rend(); ++c) send(*c);
  EXPECT_EQ(pull(engine, 8192, 256), expectedVoice(changes, 8192));
}

// A change whose frame has been rendered already applies at the next block's start.
TEST_F(EventTiming, LateChangesApplyAtTheNextBlock) {
  pull(engine, 1024, 1024);
  send({100, Kind::voicePlay, 0});
  const std::vector<float> out = pull(engine, 1024, 1024);
  SynthWrapper reference;
  std::vector<float> expected(1024);
  synthRender(reference.pointer, expected.data(), 1024);
  EXPECT_EQ(out, expected);
}

// The release cuts the voice and the sampler at its stamp; what its run sent for
// later never sounds; a later run sounds again. A halt with no stamp drops every
// change still waiting.
TEST_F(EventTiming, HaltsCutAtTheirStampAndDropWhatWaits) {
  const std::uint64_t run = engine.runGeneration();
  engine.changeVoice(Kind::voicePlay, 0, {0, run});
  engine.playSample("click", {2500, run});
  engine.changeVoice(Kind::voiceFrequency, 880, {3500, run});
  engine.halt(3000);
  engine.playSample("click", {3200, run});
  engine.changeVoice(Kind::voicePlay, 0, {6000, engine.runGeneration()});
  const std::vector<float> out = pull(engine, 8192);
  EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 2500),
            expectedVoice({{0, Kind::voicePlay, 0}}, 2500)) << "the voice until the click";
  EXPECT_NE(out[2600], expectedVoice({{0, Kind::voicePlay, 0}}, 2601)[2600]) << "the click from 2500";
  EXPECT_EQ(soundingLength(std::vector<float>(out.begin() + 3000, out.begin() + 6000), 0.0f), 0u);
  EXPECT_GT(soundingLength(std::vector<float>(out.begin() + 6000, out.end())), 0u);

  engine.playSample("click", at(engine.renderedFrames() + 1000));
  engine.changeVoice(Kind::voiceFrequency, 100, at(engine.renderedFrames() + 1000));
  engine.halt();
  EXPECT_EQ(soundingLength(pull(engine, 4096), 0.0f), 0u);
  EXPECT_EQ(allocatorCalls.load(), 0);
  EXPECT_EQ(lines, std::vector<std::string>{});
}

// A sampler play lands at its frame exactly as one played at once lands at 0.
TEST_F(EventTiming, SamplerPlaysAtItsFrame) {
  engine.playSample("click", at(1000));
  const std::vector<float> late = pull(engine, 4096, 512);
  EngineManager other{dir, AudioOutput::pulled};
  other.start();
  other.playSample("click");
  const std::vector<float> now = pull(other, 3096, 512);
  EXPECT_EQ(soundingLength(std::vector<float>(late.begin(), late.begin() + 1000), 0.0f), 0u);
  EXPECT_EQ(std::vector<float>(late.begin() + 1000, late.end()), now);
}

// A script sending without waits fills the queue: it waits for the render thread,
// and when nothing renders for kSoundQueueWaitMilliseconds it drops (at once from
// then on) with one line.
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

// Repeated plays use the sound decoded once; the least recently used sounds go
// when the total passes the limit, but a sound still lent stays valid.
TEST_F(EventTiming, DecodedSoundsAreKeptWithinTheirLimit) {
  for (const char* name : {"a", "b", "c"}) writeClick(dir / (std::string(name) + ".wav"), 1000);
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

}  // namespace
}  // namespace quarn
