// The graph's render pulled directly: the voice in both channels, the sampler
// at different rates, its cut-off and stop, and the engine's messages.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "AudioTestSupport.h"
#include "audio/EngineLimits.h"

namespace quarn {
namespace {

using test::pull;
using test::soundingLength;
using test::zeroCrossingPitch;

constexpr int kFileFrames = 22050;  // half a second at 44.1 kHz

class EngineSampler : public ::testing::Test {
protected:
  void SetUp() override {
    test::writeSine(dir() / "tone.wav", 44100, {441.0}, 0.5);
    test::writeSine(dir() / "high.wav", 44100, {882.0}, 0.5);
    test::writeSine(dir() / "halfrate.wav", 22050, {441.0}, 0.5);
    test::writeSine(dir() / "stereo.wav", 44100, {441.0, 882.0}, 0.5);
    engine.start();  // the voice off; no device is opened
  }
  const std::filesystem::path& dir() const { return folder.path(); }

  test::TempFolder folder;
  EngineManager engine{folder.path(), AudioOutput::none};
};

TEST(EngineVoice, VoiceFillsBothChannelsAlike) {
  EngineManager engine(std::filesystem::path("/nonexistent"), AudioOutput::none);
  SynthWrapper reference;
  synthSetPlaying(engine.synth->pointer, true);
  synthSetFrequency(engine.synth->pointer, 220.0f);
  synthCopy(reference.pointer, engine.synth->pointer);

  const test::Stereo out = pull(engine, 1000);
  std::vector<float> expected(1000);
  for (int done = 0; done < 1000; done += test::kBlock) {
    synthRender(reference.pointer, expected.data() + done, std::min(test::kBlock, 1000 - done));
  }
  EXPECT_EQ(out.left, expected);
  EXPECT_EQ(out.right, expected);
}

TEST(EngineVoice, OneChannelOrNoFramesLeaveTheRestAlone) {
  EngineManager engine(std::filesystem::path("/nonexistent"), AudioOutput::none);
  synthSetPlaying(engine.synth->pointer, true);
  std::vector<float> left(64, 9.0f), right(64, 9.0f);
  float* channels[2] = {left.data(), right.data()};

  engine.render(channels, 1, 64);
  EXPECT_NE(left[0], 9.0f);
  EXPECT_EQ(right, std::vector<float>(64, 9.0f));

  std::fill(left.begin(), left.end(), 9.0f);
  engine.render(channels, 2, 0);
  EXPECT_EQ(left, std::vector<float>(64, 9.0f));
  EXPECT_EQ(right, std::vector<float>(64, 9.0f));
}

TEST(EngineVoice, StartSwitchesTheVoiceOff) {
  EngineManager engine(std::filesystem::path("/nonexistent"), AudioOutput::none);
  engine.start();
  EXPECT_FALSE(engine.synth->pointer->isPlaying.load());
  EXPECT_FALSE(engine.isRunning.load());
  EXPECT_EQ(engine.synth->pointer->sampleRate, 44100.0f);
}

// Length and pitch of what the sampler plays, for files at different rates
// and playback rates; the block size varies to cross the scratch size.
TEST_F(EngineSampler, PlaysAtTruePitchAndTheGivenRate) {
  const struct {
    const char* name;
    float rate;
    int block;
    double seconds, pitch;
  } cases[] = {
      {"tone", 1.0f, 256, 0.5, 441.0},     {"tone", 2.0f, 256, 0.25, 882.0},
      {"tone", 0.5f, 4096, 1.0, 220.5},    {"halfrate", 1.0f, 256, 0.5, 441.0},
      {"halfrate", 2.0f, 3000, 0.25, 882.0}, {"tone", 1.0f, 1, 0.5, 441.0},
  };
  test::CapturedLines quiet;
  for (const auto& c : cases) {
    engine.setSamplerRate(c.rate);
    engine.playSample(c.name);
    const test::Stereo out = pull(engine, 2 * kFileFrames * 2, c.block);
    const std::size_t length = soundingLength(out.left);
    SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(c.rate));
    EXPECT_NEAR(length / 44100.0, c.seconds, 0.01);
    EXPECT_NEAR(zeroCrossingPitch(out.left, length / 10, length * 9 / 10), c.pitch, c.pitch * 0.02);
    EXPECT_EQ(out.left, out.right);  // a mono file on both channels
  }
}

TEST_F(EngineSampler, StereoFileKeepsItsChannels) {
  engine.playSample("stereo");
  const test::Stereo out = pull(engine, kFileFrames);
  EXPECT_NEAR(zeroCrossingPitch(out.left, 2000, 20000), 441.0, 9.0);
  EXPECT_NEAR(zeroCrossingPitch(out.right, 2000, 20000), 882.0, 18.0);
}

TEST_F(EngineSampler, SoundAddsToTheVoice) {
  synthSetPlaying(engine.synth->pointer, true);
  SynthWrapper reference;
  synthCopy(reference.pointer, engine.synth->pointer);
  engine.playSample("tone");
  const test::Stereo mixed = pull(engine, 4096);

  EngineManager sampleOnly(dir(), AudioOutput::none);
  sampleOnly.start();
  sampleOnly.playSample("tone");
  const test::Stereo sample = pull(sampleOnly, 4096);
  std::vector<float> voice(4096);
  for (int done = 0; done < 4096; done += test::kBlock) {
    synthRender(reference.pointer, voice.data() + done, test::kBlock);
  }
  for (std::size_t i = 0; i < voice.size(); ++i) {
    ASSERT_EQ(mixed.left[i], voice[i] + sample.left[i]) << i;
  }
}

TEST_F(EngineSampler, NewSampleCutsOffAndStartsFromItsBeginning) {
  engine.playSample("tone");
  const test::Stereo first = pull(engine, 8192);
  engine.playSample("tone");
  const test::Stereo again = pull(engine, 8192);
  for (std::size_t i = 0; i < first.left.size(); ++i) {
    ASSERT_NEAR(again.left[i], first.left[i], 1e-6) << i;
  }

  engine.playSample("high");
  const test::Stereo other = pull(engine, kFileFrames * 2);
  EXPECT_NEAR(soundingLength(other.left) / 44100.0, 0.5, 0.01);
  EXPECT_NEAR(zeroCrossingPitch(other.left, 1000, 20000), 882.0, 18.0);
}

TEST_F(EngineSampler, StopSilencesAndAFinishedSoundStaysQuiet) {
  engine.playSample("tone");
  pull(engine, 1000);
  engine.stopSampler();
  EXPECT_EQ(soundingLength(pull(engine, 4096).left, 0.0f), 0u);

  engine.playSample("tone");
  pull(engine, kFileFrames + 1000);
  EXPECT_EQ(soundingLength(pull(engine, 4096).left, 0.0f), 0u);
  engine.stopSampler();
  engine.stopSampler();
  EXPECT_EQ(soundingLength(pull(engine, 512).left, 0.0f), 0u);
}

TEST_F(EngineSampler, MissingAndUnsafeNamesAreNotFound) {
  std::filesystem::create_directory(dir() / "sub");
  test::writeSine(dir() / "sub" / "inner.wav", 44100, {441.0}, 0.1);
  test::writeSine(dir() / ".hidden.wav", 44100, {441.0}, 0.1);
  test::writeSine(dir() / ".." / (dir().filename().string() + "-outside.wav"), 44100, {441.0}, 0.1);
  const std::string outside = "../" + dir().filename().string() + "-outside";
  const std::string names[] = {"kick", "sub/inner", "sub\\inner", ".hidden", outside,
                               "",     "./tone",    std::string("tone\0x", 6)};
  for (const std::string& name : names) {
    test::CapturedLines lines;
    engine.playSample(name);
    ASSERT_EQ(lines.lines().size(), 1u) << name;
    EXPECT_EQ(lines.lines()[0], "[VRKLog] Audio file could not be found: " + name + ".wav");
    EXPECT_EQ(soundingLength(pull(engine, 2048).left, 0.0f), 0u) << name;
  }
  std::filesystem::remove(dir() / ".." / (dir().filename().string() + "-outside.wav"));
}

TEST_F(EngineSampler, UnreadableFileIsSilentAndKeepsThePlayerGoing) {
  std::ofstream(dir() / "broken.wav") << "this is not a sound file";
  test::writeSine(dir() / "tooslow.wav", kMinFileSampleRate - 1, {100.0}, 0.5);
  engine.playSample("tone");
  pull(engine, 1000);
  for (const char* name : {"broken", "tooslow"}) {
    test::CapturedLines lines;
    engine.playSample(name);
    EXPECT_TRUE(lines.lines().empty()) << name;
  }
  const test::Stereo rest = pull(engine, kFileFrames);
  EXPECT_NEAR(soundingLength(rest.left) / 44100.0, (kFileFrames - 1000) / 44100.0, 0.01);
}

TEST_F(EngineSampler, RateIsLoggedAsGivenAndClampedWhereItIsHeard) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float rate;
    const char* line;  // null: not checked
    double heardRate;
  } cases[] = {
      {2.0f, "[VRKLog] Sampler rate set to 2.0", 2.0},
      {1.5f, "[VRKLog] Sampler rate set to 1.5", 1.5},
      {0.0f, "[VRKLog] Sampler rate set to 0.0", kMinSamplerRate},
      {-1.0f, "[VRKLog] Sampler rate set to -1.0", kMinSamplerRate},
      {1e9f, nullptr, kMaxSamplerRate},
      {inf, nullptr, kMaxSamplerRate},
      {nan, nullptr, kDefaultSamplerRate},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    test::CapturedLines lines;
    engine.setSamplerRate(c.rate);
    ASSERT_EQ(lines.lines().size(), 1u);
    EXPECT_EQ(lines.lines()[0].rfind("[VRKLog] Sampler rate set to ", 0), 0u);
    if (c.line != nullptr) {
      EXPECT_EQ(lines.lines()[0], c.line);
    }
    const float stored = engine.currentSampleRate.load();
    EXPECT_TRUE(stored == c.rate || (std::isnan(stored) && std::isnan(c.rate)));

    engine.playSample("tone");
    const test::Stereo out = pull(engine, kFileFrames * 5);
    for (float sample : out.left) {
      ASSERT_TRUE(std::isfinite(sample));
    }
    EXPECT_NEAR(soundingLength(out.left) / 44100.0, 0.5 / c.heardRate, 0.01);
  }
}

TEST(EngineClock, WaitsThatCannotBeSleptReturnAtOnce) {
  EngineManager engine(std::filesystem::path("/nonexistent"), AudioOutput::none);
  for (double seconds : {std::numeric_limits<double>::quiet_NaN(), 0.0, -1.0,
                         -std::numeric_limits<double>::infinity(), 1e-6}) {
    engine.wait(seconds);  // a wrong branch here would hang the test
  }
  static_assert(kMaxWaitSeconds == 86400.0);
}

TEST(EngineResources, DefaultFolderSitsBesideTheExecutablesFolder) {
  const std::filesystem::path dir = EngineManager::defaultResourcesDir();
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(dir, exe.parent_path().parent_path() / "share" / "quarn" / "samples");
}

// The kit that the build generates: every sound loads and plays briefly.
TEST(EngineResources, BundledKitPlays) {
  const std::filesystem::path kit = std::filesystem::path(QUARN_BINARY_DIR) / "share/quarn/samples";
  if (!std::filesystem::exists(kit / "kick.wav")) {
    GTEST_SKIP() << "the drum kit has not been built (target quarn_samples)";
  }
  EngineManager engine(kit, AudioOutput::none);
  engine.start();
  for (const char* name : {"kick", "snare", "hat", "openhat", "clap", "rim", "tom", "cowbell"}) {
    test::CapturedLines lines;
    engine.playSample(name);
    EXPECT_TRUE(lines.lines().empty()) << name;
    const test::Stereo out = pull(engine, 44100 * 2);
    const std::size_t length = soundingLength(out.left);
    EXPECT_GT(length, 1000u) << name;
    EXPECT_LT(length, 44100u) << name;  // under a second
    float peak = 0.0f;
    for (float sample : out.left) peak = std::max(peak, std::fabs(sample));
    EXPECT_LE(peak, 1.0f) << name;
  }
}

}  // namespace
}  // namespace quarn
