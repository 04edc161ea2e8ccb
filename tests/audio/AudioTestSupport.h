#pragma once
// Helpers for the engine tests: a private folder of generated WAV files, the
// engine's output pulled block by block, and simple signal measurements.

#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "audio/EngineManager.h"
#include "support/Diagnostics.h"

namespace quarn::test {

inline constexpr int kBlock = 256;

// A temporary folder removed with the object.
class TempFolder {
public:
  TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quarn-audio-test.XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? std::filesystem::path(pattern) : std::filesystem::path();
  }
  ~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  const std::filesystem::path& path() const { return path_; }

private:
  std::filesystem::path path_;
};

// Writes `seconds` of a sine per channel (frequencies[c]) at the given rate.
inline void writeSine(const std::filesystem::path& file, int sampleRate,
                      std::vector<double> frequencies, double seconds) {
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = static_cast<int>(frequencies.size());
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* sound = sf_open(file.c_str(), SFM_WRITE, &info);
  const int frames = static_cast<int>(seconds * sampleRate);
  std::vector<float> data;
  for (int i = 0; i < frames; ++i) {
    for (double frequency : frequencies) {
      data.push_back(static_cast<float>(0.5 * std::sin(2.0 * M_PI * frequency * i / sampleRate)));
    }
  }
  sf_writef_float(sound, data.data(), frames);
  sf_close(sound);
}

struct Stereo {
  std::vector<float> left, right;
};

// Pulls `frames` frames in blocks of `block`.
inline Stereo pull(EngineManager& engine, int frames, int block = kBlock) {
  Stereo out{std::vector<float>(static_cast<std::size_t>(frames)),
             std::vector<float>(static_cast<std::size_t>(frames))};
  for (int done = 0; done < frames; done += block) {
    const int n = std::min(block, frames - done);
    float* channels[2] = {out.left.data() + done, out.right.data() + done};
    engine.render(channels, 2, n);
  }
  return out;
}

// One past the last sample louder than the threshold (0 when all quiet).
inline std::size_t soundingLength(const std::vector<float>& signal, float threshold = 1e-3f) {
  for (std::size_t i = signal.size(); i > 0; --i) {
    if (std::fabs(signal[i - 1]) > threshold) return i;
  }
  return 0;
}

// Pitch from the zero crossings of signal[from, to).
inline double zeroCrossingPitch(const std::vector<float>& signal, std::size_t from,
                                std::size_t to) {
  int crossings = 0;
  for (std::size_t i = from + 1; i < to; ++i) {
    crossings += (signal[i - 1] < 0.0f) != (signal[i] < 0.0f);
  }
  return crossings / 2.0 / (static_cast<double>(to - from) / 44100.0);
}

// Collects printed lines for the lifetime of the object.
class CapturedLines {
public:
  CapturedLines() {
    setLineSink([this](std::string_view line) { lines_.emplace_back(line); });
  }
  ~CapturedLines() { setLineSink({}); }
  const std::vector<std::string>& lines() const { return lines_; }

private:
  std::vector<std::string> lines_;
};

}  // namespace quarn::test
