// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The clock of a running output device: the render thread's frame count mapped
// to the steady clock. Script threads must wake no later than the render thread
// reaches their frames, so what is tracked is how far the render runs ahead:
// the sound server pulls blocks in bursts and keeps a buffer filled, so after
// each block the frames rendered so far are compared with the frames the steady
// clock has counted, and the largest lead is held, sinking slowly so that a
// device a little slower than the steady clock is followed. A lead that drops
// at once by more than kDeviceClockResyncFrames (a stall, a suspended server)
// is taken as the new lead, and the drop is counted as stalled frames. Between
// blocks the clock runs on at most kDeviceClockRunOnFrames past the frames
// rendered, so a stalled render holds time still instead of letting it run
// away from the sound. Until the first block (or with no device at all)
// frames run at the nominal rate from the clock's creation.
//
// Threads: blockRendered on the audio render thread only (no lock, no
// allocation); everything else from any other thread. The lead passes between
// them as one atomic.

#include <atomic>
#include <chrono>
#include <cstdint>

#include "audio/Clock.h"

namespace quarn {

// How fast a held lead sinks when blocks stop confirming it: far faster than
// any device clock drifts, far slower than a burst comes and goes.
inline constexpr double kDeviceClockSinkFramesPerSecond = 0.002 * kSampleRate;
inline constexpr double kDeviceClockResyncFrames = 0.1 * kSampleRate;
// Beyond any buffer a sound server keeps: a render late by more has stalled.
inline constexpr std::int64_t kDeviceClockRunOnFrames = kSampleRate / 5;

class DeviceClock final : public SleepingClock {
public:
  DeviceClock();
  std::int64_t currentFrame() const override;
  std::int64_t stalledFrames() const override { return stalled_.load(); }

  // Audio thread: the render has produced every frame before `framesDone`.
  void blockRendered(std::int64_t framesDone) noexcept;

protected:
  std::chrono::steady_clock::time_point timeOfFrame(std::int64_t frame) const override;

private:
  double steadyFrames(std::chrono::steady_clock::time_point time) const;

  const std::chrono::steady_clock::time_point origin_;
  std::atomic<double> lead_{0.0};  // rendered frames minus steady-clock frames
  static_assert(std::atomic<double>::is_always_lock_free, "the render thread stores the lead without a lock");
  std::atomic<std::int64_t> framesDone_{-1};  // at the latest block; -1 before the first
  std::atomic<std::int64_t> stalled_{0};

  // Audio thread only.
  bool hasBlock_ = false;
  double lastBlockFrames_ = 0.0;  // steady-clock frames at the last block
};

}  // namespace quarn
