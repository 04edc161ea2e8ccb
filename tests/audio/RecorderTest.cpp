// SPDX-License-Identifier: GPL-3.0-or-later
// Recording the engine's output: the file holds every block as rendered, in
// both formats, with nothing allocated on the render thread; a ring too small
// for the writer counts what it lost; what cannot be recorded says what to do.
#include <fstream>

#include "RenderPull.h"
#include "audio/Recorder.h"

namespace quarn {
namespace {

using Channels = std::array<std::vector<float>, 2>;

Channels readSound(const std::filesystem::path& file) {
  SF_INFO info{};
  SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
  std::vector<float> frames(2 * static_cast<std::size_t>(sound != nullptr ? info.frames : 0));
  if (sound != nullptr) sf_readf_float(sound, frames.data(), info.frames), sf_close(sound);
  Channels read;
  for (std::size_t i = 0; i < frames.size(); ++i) read[i % 2].push_back(frames[i]);
  return read;
}

// Blocks of uneven sizes, both channels kept, allocations inside render counted.
Channels pullStereo(EngineManager& engine, const std::vector<int>& blocks) {
  Channels pulled;
  for (int frames : blocks) {
    std::vector<float> left(frames), right(frames);
    float* channels[2] = {left.data(), right.data()};
    isCounting = true;
    engine.render(channels, 2, frames);
    isCounting = false;
    pulled[0].insert(pulled[0].end(), left.begin(), left.end());
    pulled[1].insert(pulled[1].end(), right.begin(), right.end());
  }
  return pulled;
}

using EngineRecording = PulledEngine;

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
    const Channels played = pullStereo(engine, {256, 100, 1, 513, 4096, 256, 7});
    EXPECT_EQ(allocatorCalls.load(), 0);
    const RecordOutcome outcome = engine.recorder().stop();
    pullStereo(engine, {256});  // after the stop: not in the file either
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(outcome.framesLost, 0);
    EXPECT_EQ(outcome.framesWritten, static_cast<std::int64_t>(played[0].size()));
    const Channels recorded = readSound(dir / "takes" / name);
    ASSERT_EQ(recorded[0].size(), played[0].size());
    for (std::size_t i = 0; i < 2 * played[0].size(); ++i)
      ASSERT_NEAR(recorded[i % 2][i / 2], played[i % 2][i / 2], tolerance) << i;
    EXPECT_NE(played[0], played[1]);  // the channels kept apart
  }
}

TEST(Recording, AFullRingCountsWhatItLostAndKeepsTheRest) {
  const auto file = std::filesystem::path(testing::TempDir()) / ("quarn-overrun-" + std::to_string(getpid()) + ".wav");
  Recorder recorder(1024);
  std::string error;
  ASSERT_TRUE(recorder.start(file, error)) << error;
  std::vector<float> block(256, 0.25f);
  float* mono[1] = {block.data()};
  for (int i = 0; i < 64; ++i) recorder.take(mono, 1, 256);  // far faster than any writer
  const std::int64_t lostBeforeStop = recorder.progress().framesLost;
  const RecordOutcome outcome = recorder.stop();
  EXPECT_GT(outcome.framesLost, 0);
  EXPECT_EQ(outcome.framesLost, lostBeforeStop);
  EXPECT_EQ(outcome.framesWritten + outcome.framesLost, 64 * 256);
  EXPECT_EQ(readSound(file)[1], std::vector<float>(outcome.framesWritten, 0.25f));
  std::filesystem::remove(file);
}

TEST(Recording, WhatCannotBeRecordedSaysWhatToDo) {
  const auto folder = std::filesystem::path(testing::TempDir()) / ("quarn-refused-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "plain") << "a file, not a folder";
  const std::string kWrongName = "a recording goes to a .wav or .flac file; choose a name ending in one of them";
  Recorder recorder;
  std::string error;
  for (const char* name : {"take.ogg", "take", "plain/take.wav"}) {
    EXPECT_FALSE(recorder.start(folder / name, error)) << name;
    EXPECT_EQ(error == kWrongName, name[0] != 'p') << error;  // else libsndfile's reason
  }
  ASSERT_TRUE(recorder.start(folder / "TAKE.WAV", error)) << error;
  EXPECT_FALSE(recorder.start(folder / "other.wav", error));
  EXPECT_EQ(error, "a recording is already going; stop it first");
  const RecordOutcome outcome = recorder.stop();
  EXPECT_EQ(outcome.error, "");
  EXPECT_FALSE(std::filesystem::exists(folder / "TAKE.WAV"));  // nothing recorded, nothing kept
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace quarn
