// SPDX-License-Identifier: GPL-3.0-or-later
// The virtual clock: script threads take turns; the driver moves time.
#include "audio/VirtualClock.h"

#include <algorithm>
#include <vector>

namespace quarn {

// One thread's place in line: at its begin, or in a wait.
struct VirtualClock::Turn {
  Turn(std::int64_t dueFrame, std::uint64_t beginOrder) : frame(dueFrame), order(beginOrder) {}
  std::int64_t frame;
  std::uint64_t order;
  bool isGranted = false;
  std::condition_variable granted;
};

namespace {

// The begin orders of the script threads on this thread, innermost last; a
// thread that begins on a thread already holding a turn is marked nested.
constexpr std::int64_t kNested = -1;
thread_local std::vector<std::int64_t> ordersHere;

// The order of the script thread whose turn this thread runs, or kNested for none.
std::int64_t orderHere() {
  for (auto order = ordersHere.rbegin(); order != ordersHere.rend(); ++order) {
    if (*order != kNested) return *order;
  }
  return kNested;
}

}  // namespace

bool VirtualClock::wasStarved() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return isStarved_;
}

std::int64_t VirtualClock::currentFrame() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return now_;
}

// Waits for the one announced before to begin, so the threads begin (and take
// their order) in the order they were announced.
bool VirtualClock::announce() {
  std::unique_lock<std::mutex> hold(mutex_);
  if (live_ + announced_ >= maxThreads_) {
    return false;
  }
  if (!isStarved_ && !driverWake_.wait_for(hold, kVirtualBeginTimeout, [this] { return announced_ == 0; })) {
    isStarved_ = true;
  }
  ++announced_;
  return true;
}

// Leaves the caller's own turn alone: only the count of threads to wait for drops.
void VirtualClock::cancelAnnouncement() {
  std::lock_guard<std::mutex> hold(mutex_);
  announced_ = std::max(0, announced_ - 1);
  driverWake_.notify_all();
}

void VirtualClock::begin(std::int64_t frame) {
  std::unique_lock<std::mutex> hold(mutex_);
  announced_ = std::max(0, announced_ - 1);
  if (!ordersHere.empty()) {
    ordersHere.push_back(kNested);  // already this thread's turn
    driverWake_.notify_all();
    return;
  }
  Turn turn(frame, nextOrder_++);
  ++live_;
  isLaunched_ = true;
  due_.emplace(Key{frame, turn.order}, &turn);
  yieldAndWait(hold, turn);
  ordersHere.push_back(static_cast<std::int64_t>(turn.order));
}

void VirtualClock::end() {
  const std::int64_t order = ordersHere.empty() ? kNested : ordersHere.back();
  if (!ordersHere.empty()) ordersHere.pop_back();
  if (order == kNested) return;
  if (endHook_) endHook_(static_cast<std::uint64_t>(order));
  std::lock_guard<std::mutex> hold(mutex_);
  --live_;
  isTurnTaken_ = false;
  driverWake_.notify_all();
}

// A wait gives up the turn and takes its place in line. Woken by wakeAll, it
// looks at its stop check and, when the run goes on, queues for its frame again.
bool VirtualClock::sleepUntil(std::int64_t frame, const StopCheck& stopped) {
  if (stopped()) return false;
  const std::int64_t order = orderHere();
  if (order == kNested) return true;  // no script thread: nothing to wait for
  std::unique_lock<std::mutex> hold(mutex_);
  Turn turn(frame, static_cast<std::uint64_t>(order));
  for (;;) {
    isTurnTaken_ = false;
    due_.emplace(Key{frame, turn.order}, &turn);
    yieldAndWait(hold, turn);
    if (stopped()) return false;
    if (frame <= now_) return true;
  }
}

void VirtualClock::yieldAndWait(std::unique_lock<std::mutex>& hold, Turn& turn) {
  driverWake_.notify_all();
  turn.granted.wait(hold, [&turn] { return turn.isGranted; });
  turn.isGranted = false;
}

void VirtualClock::wakeAll() {
  std::lock_guard<std::mutex> hold(mutex_);
  for (const auto& [key, turn] : due_) rechecks_.emplace(key.second, turn);
  due_.clear();
  driverWake_.notify_all();
}

void VirtualClock::launchEnded() {
  std::lock_guard<std::mutex> hold(mutex_);
  isLaunched_ = true;
  driverWake_.notify_all();
}

// Past kVirtualBeginTimeout a thread still not begun is left to begin later,
// and from then on nobody waits for a begin: the threads already in line go on.
std::optional<std::int64_t> VirtualClock::nextDue(const std::function<void()>& whileAThreadRuns) {
  std::unique_lock<std::mutex> hold(mutex_);
  auto waitingForBegin = std::chrono::steady_clock::time_point::max();
  for (;;) {
    if (!driverWake_.wait_for(hold, kVirtualPollInterval, [this] { return isLaunched_ && idle(); })) {
      if (isTurnTaken_ && whileAThreadRuns) {
        hold.unlock();
        whileAThreadRuns();
        hold.lock();
      }
      const auto now = std::chrono::steady_clock::now();
      if (isTurnTaken_ || !isLaunched_) {
        waitingForBegin = std::chrono::steady_clock::time_point::max();
        continue;
      }
      waitingForBegin = std::min(waitingForBegin, now);
      if (!isStarved_ && now - waitingForBegin < kVirtualBeginTimeout) continue;
      isStarved_ = true;
    }
    if (!rechecks_.empty()) return now_;
    if (!due_.empty()) return std::max(now_, due_.begin()->first.first);
    if (live_ == 0 && announced_ == 0) return std::nullopt;
  }
}

void VirtualClock::resumeNext() {
  std::lock_guard<std::mutex> hold(mutex_);
  Turn* next = nullptr;
  if (!rechecks_.empty()) {
    next = rechecks_.begin()->second;
    rechecks_.erase(rechecks_.begin());
  } else if (!due_.empty()) {
    next = due_.begin()->second;
    due_.erase(due_.begin());
    now_ = std::max(now_, next->frame);
  } else {
    return;
  }
  isTurnTaken_ = true;
  next->isGranted = true;
  next->granted.notify_one();
}

}  // namespace quarn
