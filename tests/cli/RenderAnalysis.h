#pragma once
// What a rendered file holds, read back from its samples: where sound starts
// and stops, and the pitch of a stretch of it.

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include "audio/SampleFile.h"

namespace quarn::test {

// A stretch of sound: its first frame and the frame after its last.
using Span = std::pair<long, long>;

// A sample counts as sound above this; float renders hold exact zeros elsewhere.
inline constexpr float kSoundThreshold = 1e-6f;
// Stretches of sound closer than this (a zero crossing, a quiet sample) are one.
inline constexpr long kSilentGapFrames = 256;

// The left channel of a rendered file (both carry the same signal).
inline std::vector<float> leftChannel(const std::filesystem::path& file) {
  std::vector<float> left;
  if (auto buffer = decodeSampleFile(file))
    for (long i = 0; i < buffer->frameCount; ++i) left.push_back(buffer->samples[2 * i]);
  return left;
}

inline std::vector<Span> spansOf(const std::vector<float>& samples) {
  std::vector<Span> spans;
  for (long i = 0; i < static_cast<long>(samples.size()); ++i) {
    if (std::fabs(samples[i]) <= kSoundThreshold) continue;
    if (!spans.empty() && i - spans.back().second < kSilentGapFrames) {
      spans.back().second = i + 1;
    } else {
      spans.emplace_back(i, i + 1);
    }
  }
  return spans;
}

// Rising zero crossings per second within a span.
inline double frequencyIn(const std::vector<float>& samples, Span span, double sampleRate) {
  long first = -1, last = -1, crossings = 0;
  for (long i = span.first + 1; i < span.second; ++i) {
    if (samples[i - 1] < 0 && samples[i] >= 0) {
      if (first < 0) first = i;
      last = i;
      ++crossings;
    }
  }
  return crossings > 1 ? (crossings - 1) * sampleRate / static_cast<double>(last - first) : 0.0;
}

}  // namespace quarn::test
