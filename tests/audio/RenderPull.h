// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pulling the render as the audio thread would, counting allocator calls made inside it.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <vector>

#include "audio/EngineManager.h"
#include "support/Diagnostics.h"

extern thread_local bool isCounting;
extern std::atomic<int> allocatorCalls;
extern const bool kCountsAllocations;

namespace quarn {

constexpr int kFileFrames = 22050;  // half a second at 44.1 kHz

using Channels = std::array<std::vector<float>, 2>;

// Both channels, pulled in blocks of the given sizes.
inline Channels pullBlocks(EngineManager& engine, const std::vector<int>& blocks) {
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

// The left channel; with only mono sounds the right one carries the same.
inline std::vector<float> pull(EngineManager& engine, int frames, int block = 256, bool mono = true) {
  std::vector<int> blocks(static_cast<std::size_t>(frames / block), block);
  if (frames % block != 0) blocks.push_back(frames % block);
  Channels pulled = pullBlocks(engine, blocks);
  EXPECT_TRUE(!mono || pulled[0] == pulled[1]);
  return std::move(pulled[0]);
}

// One past the last sample louder than the threshold (0 when all quiet).
inline std::size_t soundingLength(const std::vector<float>& signal, float threshold = 1e-3f) {
  std::size_t i = signal.size();
  while (i > 0 && std::fabs(signal[i - 1]) <= threshold) --i;
  return i;
}

// Pitch at 44.1 kHz from the zero crossings of signal[from, to).
inline double pitch(const std::vector<float>& signal, std::size_t from, std::size_t to) {
  int crossings = 0;
  for (std::size_t i = from + 1; i < to; ++i) crossings += (signal[i - 1] < 0) != (signal[i] < 0);
  return crossings / 2.0 * 44100.0 / static_cast<double>(to - from);
}

// A half-scale sine per channel (frequencies[c]) as a float WAV.
inline void writeSine(const std::filesystem::path& file, int rate, std::vector<double> frequencies,
                      int frames = kFileFrames) {
  SF_INFO info{0, rate, static_cast<int>(frequencies.size()), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
  std::vector<float> data;
  for (int i = 0; i < frames; ++i)
    for (double f : frequencies) data.push_back(static_cast<float>(0.5 * std::sin(2 * M_PI * f * i / rate)));
  SNDFILE* sound = sf_open(file.c_str(), SFM_WRITE, &info);
  sf_writef_float(sound, data.data(), frames);
  sf_close(sound);
}

// A started engine without a device on a folder holding "tone" (441 Hz, half a second).
class PulledEngine : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directories(dir);
    writeSine(dir / "tone.wav", 44100, {441.0});
    setLineSink([this](std::string_view line) { lines.emplace_back(line); });
    engine.start();
    allocatorCalls = 0;
  }
  void TearDown() override { setLineSink({}); std::filesystem::remove_all(dir); }
  bool silent(int frames) { return soundingLength(pull(engine, frames), 0.0f) == 0; }

  const std::filesystem::path dir = testing::TempDir() + "quarn-audio-" + std::to_string(getpid());
  EngineManager engine{dir, AudioOutput::pulled};
  std::vector<std::string> lines;
};

}  // namespace quarn
