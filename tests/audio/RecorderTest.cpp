// Recording the engine's output: the file holds every block as rendered, in
// both formats, with nothing allocated on the render thread; a ring too small
// for the writer counts what it lost; a file that takes no more ends cleanly;
// what cannot be recorded says what to do.
#include <signal.h>
#include <sys/resource.h>

#include <fstream>
#include <thread>

#include "RenderPull.h"
#include "audio/Recorder.h"

namespace quarn {
namespace {

using EngineRecording = PulledEngine;

struct Sound {
  std::vector<float> left, right;
};

Sound readSound(const std::filesystem::path& file) {
  SF_INFO info{};
  SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
  if (sound == nullptr || info.channels != 2) return {};
  std::vector<float> frames(2 * static_cast<std::size_t>(info.frames));
  sf_readf_float(sound, frames.data(), info.frames);
  sf_close(sound);
  Sound read;
  for (std::size_t i = 0; i < frames.size(); i += 2) {
    read.left.push_back(frames[i]);
    read.right.push_back(frames[i + 1]);
  }
  return read;
}

// Blocks of uneven sizes, both channels kept, allocations inside render counted.
Sound pullStereo(EngineManager& engine, const std::vector<int>& blocks) {
  Sound pulled;
  for (int frames : blocks) {
    std::vector<float> left(frames), right(frames);
    float* channels[2] = {left.data(), right.data()};
    isCounting = true;
    engine.render(channels, 2, frames);
    isCounting = false;
    pulled.left.insert(pulled.left.end(), left.begin(), left.end());
    pulled.right.insert(pulled.right.end(), right.begin(), right.end());
  }
  return pulled;
}

// WAV keeps every sample; FLAC every sample to 24 bits.
TEST_F(EngineRecording, TheFileHoldsEveryBlockAsRenderedAndRenderAllocatesNothing) {
  writeSine(dir / "wide.wav", 44100, {441.0, 300.0});
  synthSetPlaying(engine.synth->pointer, true);
  engine.playSample("wide");
  for (const auto& [name, tolerance] : {std::pair{"take.wav", 0.0f}, std::pair{"take.flac", 1.0f / (1 << 23)}}) {
    SCOPED_TRACE(name);
    pullStereo(engine, {300});  // before the start: not in the file
    std::string error;
    ASSERT_TRUE(engine.recorder().start(dir / "takes" / name, error)) << error;
    allocatorCalls = 0;
    const Sound played = pullStereo(engine, {256, 100, 1, 513, 4096, 256, 7});
    EXPECT_EQ(allocatorCalls.load(), 0);
    const RecordOutcome outcome = engine.recorder().stop();
    pullStereo(engine, {256});  // after the stop: not in the file either
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(outcome.framesWritten, static_cast<std::int64_t>(played.left.size()));
    EXPECT_EQ(outcome.framesLost, 0);
    const Sound recorded = readSound(dir / "takes" / name);
    ASSERT_EQ(recorded.left.size(), played.left.size());
    for (std::size_t i = 0; i < played.left.size(); ++i) {
      ASSERT_NEAR(recorded.left[i], played.left[i], tolerance) << i;
      ASSERT_NEAR(recorded.right[i], played.right[i], tolerance) << i;
    }
    EXPECT_NE(played.left, played.right);  // the channels kept apart
  }
}

TEST(Recording, AFullRingCountsWhatItLostAndKeepsTheRest) {
  const auto file = std::filesystem::path(testing::TempDir()) / ("quarn-overrun-" + std::to_string(getpid()) + ".wav");
  Recorder recorder(1024);
  std::string error;
  ASSERT_TRUE(recorder.start(file, error)) << error;
  std::vector<float> block(256, 0.25f);
  float* channels[1] = {block.data()};
  constexpr int kBlocks = 64;
  for (int i = 0; i < kBlocks; ++i) recorder.take(channels, 1, 256);  // faster than any writer
  const RecordProgress progress = recorder.progress();
  const RecordOutcome outcome = recorder.stop();
  EXPECT_GT(outcome.framesLost, 0);
  EXPECT_EQ(outcome.framesLost, progress.framesLost);
  EXPECT_EQ(outcome.framesWritten + outcome.framesLost, kBlocks * 256);
  EXPECT_EQ(readSound(file).right.size(), static_cast<std::size_t>(outcome.framesWritten));
  std::filesystem::remove(file);
}

// The file's size limit stands in for a full disk: writes past it fail, as they would.
TEST(Recording, AFileThatTakesNoMoreEndsCleanlyWithWhatItHolds) {
  const auto file = std::filesystem::path(testing::TempDir()) / ("quarn-full-" + std::to_string(getpid()) + ".wav");
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  const rlimit small{64 * 1024, old.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Recorder recorder;
  std::string error;
  ASSERT_TRUE(recorder.start(file, error)) << error;
  std::vector<float> block(256, 0.5f);
  float* channels[1] = {block.data()};
  for (int i = 0; i < 2000 && !recorder.progress().hasFailed; ++i) {
    recorder.take(channels, 1, 256);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(recorder.progress().hasFailed);
  const RecordOutcome outcome = recorder.stop();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, previousHandler);
  EXPECT_NE(outcome.error, "");
  EXPECT_GT(outcome.framesWritten, 0);
  const Sound kept = readSound(file);
  EXPECT_EQ(kept.left.size(), static_cast<std::size_t>(outcome.framesWritten));
  EXPECT_TRUE(std::all_of(kept.left.begin(), kept.left.end(), [](float s) { return s == 0.5f; }));
  std::filesystem::remove(file);
}

TEST(Recording, WhatCannotBeRecordedSaysWhatToDo) {
  const auto folder = std::filesystem::path(testing::TempDir()) / ("quarn-refused-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "plain") << "a file, not a folder";
  Recorder recorder;
  const struct {
    std::filesystem::path file;
    std::string error;
  } cases[] = {
      {folder / "take.ogg", "a recording goes to a .wav or .flac file; choose a name ending in one of them"},
      {folder / "take", "a recording goes to a .wav or .flac file; choose a name ending in one of them"},
      {folder / "plain" / "take.wav", ""},  // libsndfile's reason
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(recorder.start(c.file, error)) << c.file;
    EXPECT_NE(error, "");
    if (!c.error.empty()) {
      EXPECT_EQ(error, c.error);
    }
  }
  std::string error;
  ASSERT_TRUE(recorder.start(folder / "TAKE.WAV", error)) << error;
  EXPECT_FALSE(recorder.start(folder / "other.wav", error));
  EXPECT_EQ(error, "a recording is already going; stop it first");
  const RecordOutcome outcome = recorder.stop();
  EXPECT_EQ(outcome.error, "");
  EXPECT_EQ(outcome.framesWritten, 0);
  EXPECT_FALSE(std::filesystem::exists(folder / "TAKE.WAV"));  // nothing recorded, nothing kept
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace quarn
