// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ending a shared object on its owner's thread. Jobs on the work queue drop
// their copies just after they return, which may be after the owner has seen
// them finish; an object whose destructor must run on the owner's thread (the
// engine closes its device and joins its threads) waits for those copies here.

#include <chrono>
#include <memory>
#include <thread>

namespace quarn {

// How often the owner looks whether the other copies are gone.
inline constexpr std::chrono::milliseconds kEndPollInterval{1};

// Waits until owned is the only copy, then destroys it on the calling thread
// and returns true; false, owned left as it is, once `patience` has passed.
template <class T>
bool endOnThisThread(std::shared_ptr<T>& owned, std::chrono::duration<double> patience) {
  const auto start = std::chrono::steady_clock::now();
  while (owned.use_count() > 1) {
    if (std::chrono::steady_clock::now() - start >= patience) return false;
    std::this_thread::sleep_for(kEndPollInterval);
  }
  owned.reset();
  return true;
}

// Without a limit: callers make sure the other holders are ending (their work
// is done or halted).
template <class T>
void endOnThisThread(std::shared_ptr<T> owned) {
  endOnThisThread(owned, std::chrono::duration<double>::max());
}

}  // namespace quarn
