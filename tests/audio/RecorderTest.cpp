// SPDX-License-Identifier: GPL-3.0-or-later
// Recording: every block as rendered, allocation-free; a full ring counts its loss; errors say what to do.
#include <fstream>

#include "RenderPull.h"
#include "audio/Recorder.h"
#include "audio/SampleFile.h"

namespace quarn {
namespace {

// Read back through the decoder the sampler uses (mono comes doubled).
Channels readSound(const std::filesystem::path& file) {
  Channels read;
  if (const auto sound = decodeSampleFile(file))
    for (std::size_t i = 0; i < sound->samples.size(); ++i) read[i % 2].push_back(sound->samples[i]);
  return read;
}

using EngineRecording = PulledEngine;

// WAV keeps every sample; FLAC every sample to 24 bits.
TEST_F(EngineRecording, TheFileHoldsEveryBlockAsRenderedAndRenderAllocatesNothing) {
  writeSine(dir / "wide.wav", 44100, {441.0, 300.0});
  synthSetPlaying(engine.synth->pointer, true);
  engine.playSample("wide");
  for (const auto& [name, tolerance] : {std::pair{"take.wav", 0.0f}, std::pair{"take.flac", 1.0f / (1 << 23)}}) {
    SCOPED_TRACE(name);
    pullBlocks(engine, {300});  // before the start: not in the file
    std::string error;
    ASSERT_TRUE(engine.recorder().start(dir / "takes" / name, error)) << error;
    allocatorCalls = 0;
    const Channels played = pullBlocks(engine, {256, 100, 1, 513, 4096, 256, 7});
    EXPECT_EQ(allocatorCalls.load(), 0);
    const RecordOutcome outcome = engine.recorder().stop();
    pullBlocks(engine, {256});  // after the stop: not in the file either
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

// Far faster than any writer: what the ring could not hold is counted, the rest kept.
TEST_F(EngineRecording, AFullRingCountsWhatItLostAndKeepsTheRest) {
  Recorder recorder(1024);
  std::string error;
  ASSERT_TRUE(recorder.start(dir / "overrun.wav", error)) << error;
  std::vector<float> block(256, 0.25f);
  float* mono[1] = {block.data()};
  for (int i = 0; i < 64; ++i) recorder.take(mono, 1, 256);
  const std::int64_t lostBeforeStop = recorder.progress().framesLost;
  const RecordOutcome outcome = recorder.stop();
  EXPECT_GT(outcome.framesLost, 0);
  EXPECT_EQ(outcome.framesLost, lostBeforeStop);
  EXPECT_EQ(outcome.framesWritten + outcome.framesLost, 64 * 256);
  EXPECT_EQ(readSound(dir / "overrun.wav")[1], std::vector<float>(outcome.framesWritten, 0.25f));
}

TEST_F(EngineRecording, WhatCannotBeRecordedSaysWhatToDo) {
  std::ofstream(dir / "plain") << "a file, not a folder";
  Recorder recorder;
  std::string error;
  for (const char* name : {"take.ogg", "take", "plain/take.wav"}) {
    EXPECT_FALSE(recorder.start(dir / name, error)) << name;
    EXPECT_EQ(error == "a recording goes to a .wav or .flac file; choose a name ending in one of them", name[0] != 'p')
        << error;  // else libsndfile's reason
  }
  ASSERT_TRUE(recorder.start(dir / "TAKE.WAV", error)) << error;
  EXPECT_FALSE(recorder.start(dir / "other.wav", error));
  EXPECT_EQ(error, "a recording is already going; stop it first");
  EXPECT_EQ(recorder.stop().error, "");
  EXPECT_FALSE(std::filesystem::exists(dir / "TAKE.WAV"));  // nothing recorded, nothing kept
}

}  // namespace
}  // namespace quarn
