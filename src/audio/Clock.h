// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The clock that script threads pass time by. Logical time is an exact count
// of nanoseconds since a run's start; it becomes a frame of the render thread's
// count only where it is used, so no rounding piles up over a long run. A
// clock maps those frames to the moment a script thread should wake; it
// schedules no threads (TurnScheduler.h does that).
//
// Threads: every member from any thread except the audio render thread, unless
// said otherwise.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "audio/SampleRate.h"

namespace quarn {

using LogicalNanos = std::int64_t;

inline constexpr LogicalNanos kNanosPerSecond = 1'000'000'000;

// round(nanos * kSampleRate / 1e9) for any nanos >= 0, without overflow.
constexpr std::int64_t framesFromNanos(LogicalNanos nanos) {
  const std::int64_t whole = nanos / kNanosPerSecond;
  const std::int64_t rest = nanos % kNanosPerSecond;
  return whole * kSampleRate + (rest * kSampleRate + kNanosPerSecond / 2) / kNanosPerSecond;
}

// The nanoseconds at which frame `frames` begins, rounded to the nearest.
constexpr LogicalNanos nanosFromFrames(std::int64_t frames) {
  const std::int64_t whole = frames / kSampleRate;
  const std::int64_t rest = frames % kSampleRate;
  return whole * kNanosPerSecond + (rest * kNanosPerSecond + kSampleRate / 2) / kSampleRate;
}

// Tells a sleeper that its run has been halted or stopped.
using StopCheck = std::function<bool()>;

class Clock {
public:
  virtual ~Clock() = default;

  // The render frame that is due now: what a run starting now takes as its zero.
  virtual std::int64_t currentFrame() const = 0;

  // Blocks the calling script thread until `frame` is due; returns false at once
  // when stopped() holds, also while asleep (after a wakeAll). A frame already
  // due returns true without sleeping.
  virtual bool sleepUntil(std::int64_t frame, const StopCheck& stopped) = 0;

  // Makes every sleeper look at its stop check again: after a halt or a run stop.
  virtual void wakeAll() = 0;
  // Frames the render lost to stalls (the process or the sound server held
  // still) since the clock began; time told without a device loses none.
  virtual std::int64_t stalledFrames() const { return 0; }
};

// A clock that sleeps on the steady clock, woken early by wakeAll.
class SleepingClock : public Clock {
public:
  bool sleepUntil(std::int64_t frame, const StopCheck& stopped) override;
  void wakeAll() override;

protected:
  // The steady-clock moment at which `frame` is due.
  virtual std::chrono::steady_clock::time_point timeOfFrame(std::int64_t frame) const = 0;

private:
  std::mutex sleepMutex_;
  std::condition_variable wake_;
};

// Frames counted on the steady clock from the clock's creation: no device.
class SteadyClock final : public SleepingClock {
public:
  SteadyClock();
  std::int64_t currentFrame() const override;

protected:
  std::chrono::steady_clock::time_point timeOfFrame(std::int64_t frame) const override;

private:
  const std::chrono::steady_clock::time_point origin_;
};

}  // namespace quarn
