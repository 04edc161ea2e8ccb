// SPDX-License-Identifier: GPL-3.0-or-later
// The sleeping clocks: steady-clock sleeps that a halt cuts short.
#include "audio/Clock.h"

namespace quarn {

bool SleepingClock::sleepUntil(std::int64_t frame, const StopCheck& stopped) {
  const auto deadline = timeOfFrame(frame);
  std::unique_lock<std::mutex> hold(sleepMutex_);
  while (!stopped()) {
    if (wake_.wait_until(hold, deadline) == std::cv_status::timeout) {
      return !stopped();
    }
  }
  return false;
}

// Taking the lock orders this after a sleeper's check of its stop condition,
// so a stop set before the call is never missed.
void SleepingClock::wakeAll() {
  { std::lock_guard<std::mutex> hold(sleepMutex_); }
  wake_.notify_all();
}

SteadyClock::SteadyClock() : origin_(std::chrono::steady_clock::now()) {}

std::int64_t SteadyClock::currentFrame() const {
  const auto elapsed = std::chrono::steady_clock::now() - origin_;
  return framesFromNanos(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count());
}

std::chrono::steady_clock::time_point SteadyClock::timeOfFrame(std::int64_t frame) const {
  return origin_ + std::chrono::nanoseconds(nanosFromFrames(frame));
}

}  // namespace quarn
