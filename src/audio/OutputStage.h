// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The last stage of every render, live or to a file: the soft limiter that keeps
// the sum of the voice and the sampler within [-1, 1], and the peak the level
// meter shows.
//
// Threads: finishOutput on the audio render thread only; OutputMeter from any
// thread.

#include <atomic>

namespace quarn {

// Below this (-1 dBFS, above the bundled kit's 0.8) every sample passes as it
// is; above it the limiter bends the level smoothly towards 1, never past it.
inline constexpr float kLimiterThreshold = 0.891f;

// A sample through the limiter: |result| <= 1; NaN becomes silence.
float limitSample(float sample) noexcept;

// The loudest sample before the limiter since the meter last looked, measured
// only while someone watches.
struct OutputMeter {
  std::atomic<bool> isWatched{false};
  std::atomic<float> peak{0.0f};
};

// Limits channels[0..channelCount) over frameCount frames in place and feeds the meter.
void finishOutput(float* const* channels, int channelCount, int frameCount, OutputMeter& meter) noexcept;

}  // namespace quarn
