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

// Blocks until owned is the only copy, then destroys it on the calling thread.
// Callers make sure the other holders are ending (their work is done or halted).
template <class T>
void endOnThisThread(std::shared_ptr<T> owned) {
  while (owned.use_count() > 1) {
    std::this_thread::sleep_for(kEndPollInterval);
  }
  owned.reset();
}

}  // namespace quarn
