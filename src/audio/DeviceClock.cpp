// SPDX-License-Identifier: GPL-3.0-or-later
// The device clock: the render thread's lead over the steady clock, held.
#include "audio/DeviceClock.h"

#include <algorithm>
#include <cmath>

namespace quarn {

DeviceClock::DeviceClock() : origin_(std::chrono::steady_clock::now()) {}

double DeviceClock::steadyFrames(std::chrono::steady_clock::time_point time) const {
  return std::chrono::duration<double>(time - origin_).count() * kSampleRate;
}

std::int64_t DeviceClock::currentFrame() const {
  const std::int64_t frame = std::llround(steadyFrames(std::chrono::steady_clock::now()) + lead_.load());
  const std::int64_t done = framesDone_.load();
  return done < 0 ? frame : std::min(frame, done + kDeviceClockRunOnFrames);
}

std::chrono::steady_clock::time_point DeviceClock::timeOfFrame(std::int64_t frame) const {
  const double seconds = (static_cast<double>(frame) - lead_.load()) / kSampleRate;
  return origin_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double>(seconds));
}

void DeviceClock::blockRendered(std::int64_t framesDone) noexcept {
  const double now = steadyFrames(std::chrono::steady_clock::now());
  const double lead = static_cast<double>(framesDone) - now;
  double held = lead_.load(std::memory_order_relaxed);
  if (hasBlock_) {
    held -= (now - lastBlockFrames_) / kSampleRate * kDeviceClockSinkFramesPerSecond;
  }
  if (hasBlock_ && lead < held - kDeviceClockResyncFrames) {
    stalled_.fetch_add(std::llround(held - lead), std::memory_order_relaxed);
  }
  if (!hasBlock_ || lead > held || lead < held - kDeviceClockResyncFrames) {
    held = lead;
  }
  hasBlock_ = true;
  lastBlockFrames_ = now;
  lead_.store(held, std::memory_order_relaxed);
  framesDone_.store(framesDone, std::memory_order_relaxed);
}

}  // namespace quarn
