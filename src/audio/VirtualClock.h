// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A clock for rendering offline: waits do not sleep. Script threads take turns,
// one at a time: each runs until it waits or ends, and only then does the next
// go on. A driver (the offline renderer) asks which frame is due next, renders
// the audio up to it and lets the thread due there go on. Threads due at the
// same frame go on in the order in which they began, and threads begin in the
// order in which they were announced, so everything a run does, the lines it
// prints included, comes out the same on every run and every machine.
//
// Threads: the Clock and TurnScheduler members from script threads (announce
// and cancelAnnouncement also from the thread that launches a run); nextDue,
// resumeNext and launchEnded from the one driver thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "audio/Clock.h"
#include "audio/TurnScheduler.h"

namespace quarn {

// How long a thread that was announced may take to begin before the driver
// goes on without it. Beginning takes a free worker; when every worker is held
// by a waiting script thread, the newcomer can only begin once time moves on.
// The clock is then starved: threads go on without waiting for begins, and the
// order of those that begin late is no longer fixed.
inline constexpr std::chrono::milliseconds kVirtualBeginTimeout{2000};
// How often the driver's work for a running thread is done while it runs.
inline constexpr std::chrono::milliseconds kVirtualPollInterval{2};

class VirtualClock final : public Clock, public TurnScheduler {
public:
  // maxThreads: the workers script threads run on. With that many begun or
  // announced, a further thread could begin only once time moves on, which
  // waits for it to begin: it is refused instead.
  explicit VirtualClock(int maxThreads = std::numeric_limits<int>::max()) : maxThreads_(maxThreads) {}
  std::int64_t currentFrame() const override;
  bool sleepUntil(std::int64_t frame, const StopCheck& stopped) override;
  void wakeAll() override;
  bool announce() override;
  void cancelAnnouncement() override;
  void begin(std::int64_t frame) override;
  void end() override;

  // Called on a thread that is ending, while it still holds the turn, with the
  // order in which it began (0 for the first): what it prints there comes out
  // before anything the next thread prints. Set before the first thread begins.
  using EndHook = std::function<void(std::uint64_t order)>;
  void setThreadEndHook(EndHook hook) { endHook_ = std::move(hook); }

  // Driver: blocks until no script thread runs and every announced one has
  // begun; returns the frame the next thread is due at (never before the
  // current frame), or nothing once every thread has ended. While a thread
  // runs, whileAThreadRuns is called every kVirtualPollInterval.
  std::optional<std::int64_t> nextDue(const std::function<void()>& whileAThreadRuns = {});
  // Driver: moves time to the next thread's frame and lets it go on.
  void resumeNext();
  // The launcher of the first thread says its launch is over (the thread has
  // ended, or never began), so nextDue does not wait for a thread that never comes.
  void launchEnded();
  // True once a thread took longer than kVirtualBeginTimeout to begin.
  bool wasStarved() const;

private:
  struct Turn;
  using Key = std::pair<std::int64_t, std::uint64_t>;  // (due frame, order)

  void yieldAndWait(std::unique_lock<std::mutex>& hold, Turn& turn);
  bool idle() const { return !isTurnTaken_ && announced_ == 0; }

  const int maxThreads_;
  mutable std::mutex mutex_;
  std::condition_variable driverWake_;  // the driver and announcers wait here
  std::int64_t now_ = 0;
  std::uint64_t nextOrder_ = 0;
  int announced_ = 0;         // announced, not yet begun
  int live_ = 0;              // begun, not yet ended
  bool isTurnTaken_ = false;  // a script thread runs
  bool isLaunched_ = false;   // a thread began, or the launch is over
  bool isStarved_ = false;    // a begin timed out: begins are waited for no more
  std::map<Key, Turn*> due_;          // waiting for their frame
  std::map<std::uint64_t, Turn*> rechecks_;  // woken to look at their stop check
  EndHook endHook_;
};

}  // namespace quarn
