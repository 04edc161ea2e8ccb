// SPDX-License-Identifier: GPL-3.0-or-later
// The heap of sound changes waiting for their frame.
#include "audio/EventSchedule.h"

#include <limits>

namespace quarn {

EventSchedule::EventSchedule(std::size_t capacity)
    : capacity_(capacity), entries_(std::make_unique<Entry[]>(capacity)) {}

void EventSchedule::insert(const SoundEvent& event) noexcept {
  entries_[count_] = Entry{event, arrivals_++};
  ++count_;
  std::push_heap(entries_.get(), entries_.get() + count_, later);
}

void EventSchedule::insertHalt(const SoundEvent& halt) noexcept {
  const std::int64_t frame = hasHalt_ ? std::min(halt_.frame, halt.frame) : halt.frame;
  halt_ = halt;
  halt_.frame = frame;
  hasHalt_ = true;
}

// A halt goes before every event of its frame.
bool EventSchedule::takeDue(std::int64_t frame, SoundEvent& event) noexcept {
  if (hasHalt_ && halt_.frame <= frame && (count_ == 0 || halt_.frame <= entries_[0].event.frame)) {
    event = halt_;
    hasHalt_ = false;
    return true;
  }
  if (count_ == 0 || entries_[0].event.frame > frame) {
    return false;
  }
  event = entries_[0].event;
  std::pop_heap(entries_.get(), entries_.get() + count_, later);
  --count_;
  return true;
}

std::int64_t EventSchedule::nextFrame() const noexcept {
  std::int64_t next = count_ == 0 ? std::numeric_limits<std::int64_t>::max() : entries_[0].event.frame;
  return hasHalt_ ? std::min(next, halt_.frame) : next;
}

}  // namespace quarn
