// The engine's render pulled directly: the voice, the sampler's rates, cut-off, stop,
// file checks and messages, and a render that allocates nothing, also while stamped
// changes, sounds and halts flow in from another thread.
#include <gtest/gtest.h>
#include <samplerate.h>
#include <sndfile.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <new>
#include <thread>

#include "audio/EngineLimits.h"
#include "audio/EngineManager.h"
#include "support/Diagnostics.h"
#include "RenderPull.h"

namespace quarn {
namespace {
using namespace std::string_literals;

constexpr int kFileFrames = 22050;  // half a second at 44.1 kHz

// `seconds` of a half-scale sine per channel (frequencies[c]) as a float WAV.
void writeSine(const std::filesystem::path& file, int rate, std::vector<double> frequencies,
               double seconds = 0.5) {
  SF_INFO info{0, rate, static_cast<int>(frequencies.size()), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
  SNDFILE* sound = sf_open(file.c_str(), SFM_WRITE, &info);
  std::vector<float> data;
  for (int i = 0; i < seconds * rate; ++i) {
    for (double f : frequencies) data.push_back(static_cast<float>(0.5 * std::sin(2 * M_PI * f * i / rate)));
  }
  sf_writef_float(sound, data.data(), static_cast<sf_count_t>(data.size() / frequencies.size()));
  sf_close(sound);
}

// Pitch at 44.1 kHz from the zero crossings of signal[from, to).
double pitch(const std::vector<float>& signal, std::size_t from, std::size_t to) {
  int crossings = 0;
  for (std::size_t i = from + 1; i < to; ++i) crossings += (signal[i - 1] < 0) != (signal[i] < 0);
  return crossings / 2.0 * 44100.0 / static_cast<double>(to - from);
}

class EngineSampler : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directories(dir);
    writeSine(dir / "tone.wav", 44100, {441.0});
    setLineSink([this](std::string_view line) { lines.emplace_back(line); });
    engine.start();  // the voice off; no device is opened
    allocatorCalls = 0;
  }
  void TearDown() override { setLineSink({}); std::filesystem::remove_all(dir); }
  bool silent(int frames) { return soundingLength(pull(engine, frames), 0.0f) == 0; }

  const std::filesystem::path dir = testing::TempDir() + "quarn-audio-" + std::to_string(getpid());
  EngineManager engine{dir, AudioOutput::pulled};
  std::vector<std::string> lines;
};
using EngineRealtime = EngineSampler;

TEST_F(EngineSampler, VoiceFillsBothChannelsAlikeOnceSwitchedOn) {
  EXPECT_TRUE(silent(256));
  synthSetPlaying(engine.synth->pointer, true);
  SynthWrapper reference;
  synthCopy(reference.pointer, engine.synth->pointer);
  std::vector<float> expected(1000);
  synthRender(reference.pointer, expected.data(), 1000);
  EXPECT_EQ(pull(engine, 1000), expected);
}

// The rate is stored and logged as given; what is heard is clamped and finite.
// Blocks of 3000 frames cross the varispeed stage's scratch size. Nothing in
// the render allocates.
TEST_F(EngineSampler, PlaysAtTheGivenRateClampedToItsRange) {
  const struct { float rate; int block; double heard; } cases[] = {
      {1.0f, 256, 1.0}, {2.0f, 1, 2.0}, {2.0f, 3000, 2.0}, {0.3f, 5000, 0.3}, {0.0f, 256, kMinSamplerRate},
      {-1.0f, 256, kMinSamplerRate}, {1e9f, 256, kMaxSamplerRate}, {INFINITY, 256, kMaxSamplerRate},
      {NAN, 256, kDefaultSamplerRate}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rate << " in blocks of " << c.block);
    lines.clear();
    engine.setSamplerRate(c.rate);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("[VRKLog] Sampler rate set to ", 0), 0u);
    EXPECT_TRUE(engine.currentSampleRate.load() == c.rate || std::isnan(c.rate));
    engine.playSample("tone");
    const std::vector<float> out = pull(engine, kFileFrames * 5, c.block);
    EXPECT_EQ(allocatorCalls.load(), 0);
    for (float sample : out) ASSERT_TRUE(std::isfinite(sample));
    const std::size_t length = soundingLength(out);
    EXPECT_NEAR(length / 44100.0, 0.5 / c.heard, 0.01);
    EXPECT_NEAR(pitch(out, length / 10, length * 9 / 10), 441 * c.heard, 9 * c.heard);
  }
}

TEST_F(EngineSampler, SecondPlayCutsOffTheFirstAndStopSilences) {
  engine.playSample("tone");
  const std::vector<float> first = pull(engine, 8192);
  engine.playSample("tone");
  const std::vector<float> again = pull(engine, 8192);
  for (std::size_t i = 0; i < 8192; ++i) ASSERT_NEAR(again[i], first[i], 1e-6) << i;
  engine.playSample("tone");
  pull(engine, 1000);
  engine.stopSampler();
  EXPECT_TRUE(silent(4096));
}

// Only a plain file name inside the sounds folder is looked up.
TEST_F(EngineSampler, MissingAndUnsafeNamesAreNotFound) {
  std::filesystem::create_directory(dir / "sub");
  writeSine(dir / "sub" / "inner.wav", 44100, {441.0});
  writeSine(dir / ".hidden.wav", 44100, {441.0});
  const std::string outside = dir.filename().string() + "-outside";
  writeSine(dir / ".." / (outside + ".wav"), 44100, {441.0});
  for (const std::string& name :
       {"kick"s, "sub/inner"s, "sub\\inner"s, ".hidden"s, ""s, "./tone"s, "../" + outside, "tone\0x"s}) {
    lines.clear();
    engine.playSample(name);
    EXPECT_EQ(lines, std::vector{"[VRKLog] Audio file could not be found: " + name + ".wav"});
    EXPECT_TRUE(silent(2048)) << name;
  }
  std::filesystem::remove(dir / ".." / (outside + ".wav"));
}

// Files below the lowest accepted sample rate count as unreadable: no word,
// and the sound already playing goes on.
TEST_F(EngineSampler, UnreadableFileIsSilentAndKeepsThePlayerGoing) {
  std::ofstream(dir / "broken.wav") << "this is not a sound file";
  writeSine(dir / "tooslow.wav", kMinFileSampleRate - 1, {100.0});
  engine.playSample("tone");
  pull(engine, 1000);
  engine.playSample("broken");
  engine.playSample("tooslow");
  EXPECT_TRUE(lines.empty());
  EXPECT_NEAR(soundingLength(pull(engine, kFileFrames)), kFileFrames - 1000, 441);
}

// The kit that the build generates, in the folder the executable looks in.
TEST(EngineResources, BundledKitPlays) {
  const std::filesystem::path kit = EngineManager::defaultResourcesDir();
  EXPECT_EQ(std::filesystem::weakly_canonical(kit),
            std::filesystem::weakly_canonical(std::filesystem::path(QUARN_BINARY_DIR) / "share/quarn/samples"));
  if (!std::filesystem::exists(kit)) GTEST_SKIP() << "the kit has not been built (target quarn_samples)";
  EngineManager engine(kit, AudioOutput::pulled);
  engine.start();
  for (const std::string name : {"kick", "snare", "hat", "openhat", "clap", "rim", "tom", "cowbell"}) {
    engine.playSample(name);
    const std::size_t length = soundingLength(pull(engine, 44100 * 2));
    EXPECT_TRUE(length > 1000 && length < 44100) << name << " lasts " << length;
  }
}

TEST_F(EngineRealtime, HandOverWhilePlayingAllocatesNothing) {
  int error = 0;  // first: the counter sees C++ and the resampler's C library
  isCounting = true;
  delete new int(1);
  src_delete(src_new(SRC_SINC_FASTEST, 2, &error));
  isCounting = false;
  ASSERT_EQ(allocatorCalls.exchange(0) > 2, kCountsAllocations);
  writeSine(dir / "other.wav", 48000, {441.0, 300.0}, 0.3);
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
