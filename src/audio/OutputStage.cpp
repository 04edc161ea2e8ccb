// SPDX-License-Identifier: GPL-3.0-or-later
// The output stage: a soft knee above the threshold, a tanh curve that meets
// the straight line with the same slope and flattens out at full scale.
#include "audio/OutputStage.h"

#include <cmath>

namespace quarn {
namespace {

constexpr float kHeadroom = 1.0f - kLimiterThreshold;

}  // namespace

float limitSample(float sample) noexcept {
  const float size = std::fabs(sample);
  if (size <= kLimiterThreshold) {
    return sample;
  }
  if (std::isnan(sample)) {
    return 0.0f;
  }
  const float bent = kLimiterThreshold + kHeadroom * std::tanh((size - kLimiterThreshold) / kHeadroom);
  return std::copysign(std::fmin(bent, 1.0f), sample);
}

// The peak is taken only while the meter is watched: a hidden window costs nothing.
void finishOutput(float* const* channels, int channelCount, int frameCount, OutputMeter& meter) noexcept {
  const bool isWatched = meter.isWatched.load(std::memory_order_relaxed);
  float peak = 0.0f;
  for (int channel = 0; channel < channelCount; ++channel) {
    float* samples = channels[channel];
    if (samples == nullptr) {
      continue;
    }
    for (int i = 0; i < frameCount; ++i) {
      if (isWatched) peak = std::fmax(peak, std::fabs(samples[i]));
      samples[i] = limitSample(samples[i]);
    }
  }
  if (isWatched && peak > meter.peak.load(std::memory_order_relaxed)) {
    meter.peak.store(peak, std::memory_order_relaxed);
  }
}

}  // namespace quarn
