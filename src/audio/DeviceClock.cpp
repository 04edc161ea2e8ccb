// SPDX-License-Identifier: GPL-3.0-or-later
// The device clock: the render thread's lead over the steady clock, held.
#include "audio/DeviceClock.h"

#include <cmath>

namespace quarn {

DeviceClock::DeviceClock() : origin_(std::chrono::steady_clock::now()) {}

double DeviceClock::steadyFrames(std::chrono::steady_clock::time_point time) const {
  return std::chrono::duration<double>(time - origin_).count() * kClockFrameRate;
}

std::int64_t DeviceClock::currentFrame() const {
  return std::llround(steadyFrames(std::chrono::steady_clock::now()) + lead_.load());
}

std::chrono::steady_clock::time_point DeviceClock::timeOfFrame(std::int64_t frame) const {
  const double seconds = (static_cast<double>(frame) - lead_.load()) / kClockFrameRate;
  return origin_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double>(seconds));
}

void DeviceClock::heartbeat() {
  const double now = steadyFrames(std::chrono::steady_clock::now());
  const double previous = lastBeat_.exchange(now);
  if (previous >= 0.0 && now - previous > kDeviceClockStallFrames) {
    lastStall_.store(now);
  }
}

double DeviceClock::heldLead(double now) const noexcept {
  return lead_.load(std::memory_order_relaxed) -
         (now - lastBlockFrames_) / kClockFrameRate * kDeviceClockSinkFramesPerSecond;
}

// Whichever of the render and the watching thread runs first after a stall,
// one of the two tells: the beat is overdue, or it came late since the block.
bool DeviceClock::hasStalledSinceBlock(double now) const noexcept {
  const double beat = lastBeat_.load();
  return beat >= 0.0 && (now - beat > kDeviceClockStallFrames || lastStall_.load() >= lastBlockFrames_);
}

std::int64_t DeviceClock::blockStart(std::int64_t framesDone, int frameCount) const noexcept {
  if (!hasBlock_) {
    return framesDone;
  }
  const double now = steadyFrames(std::chrono::steady_clock::now());
  const double behind = heldLead(now) - (static_cast<double>(framesDone + frameCount) - now);
  if (behind > kDeviceClockResyncFrames && hasStalledSinceBlock(now)) {
    return framesDone + std::llround(behind);
  }
  return framesDone;
}

void DeviceClock::blockRendered(std::int64_t framesDone) noexcept {
  const double now = steadyFrames(std::chrono::steady_clock::now());
  const double lead = static_cast<double>(framesDone) - now;
  double held = hasBlock_ ? heldLead(now) : lead_.load(std::memory_order_relaxed);
  if (!hasBlock_ || lead > held || lead < held - kDeviceClockResyncFrames) {
    held = lead;
  }
  hasBlock_ = true;
  lastBlockFrames_ = now;
  lead_.store(held, std::memory_order_relaxed);
}

}  // namespace quarn
