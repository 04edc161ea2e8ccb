// The sorted list of sound changes waiting for their frame.
#include "audio/EventSchedule.h"

#include <algorithm>
#include <limits>

namespace quarn {

EventSchedule::EventSchedule(std::size_t capacity)
    : capacity_(capacity), events_(std::make_unique<SoundEvent[]>(capacity)) {}

// New events mostly belong at the end, so the search starts from there.
void EventSchedule::insert(const SoundEvent& event) noexcept {
  if (end_ == capacity_) {
    std::copy(events_.get() + head_, events_.get() + end_, events_.get());
    end_ -= head_;
    head_ = 0;
  }
  std::size_t at = end_;
  while (at > head_ && soundEventBefore(event, events_[at - 1])) {
    events_[at] = events_[at - 1];
    --at;
  }
  events_[at] = event;
  ++end_;
}

void EventSchedule::insertHalt(const SoundEvent& halt) noexcept {
  const std::int64_t frame = hasHalt_ ? std::min(halt_.frame, halt.frame) : halt.frame;
  halt_ = halt;
  halt_.frame = frame;
  hasHalt_ = true;
}

// A halt goes before every event of its frame.
bool EventSchedule::takeDue(std::int64_t frame, SoundEvent& event) noexcept {
  if (hasHalt_ && halt_.frame <= frame && (head_ == end_ || halt_.frame <= events_[head_].frame)) {
    event = halt_;
    hasHalt_ = false;
    return true;
  }
  if (head_ == end_ || events_[head_].frame > frame) {
    return false;
  }
  event = events_[head_++];
  if (head_ == end_) {
    head_ = end_ = 0;
  }
  return true;
}

std::int64_t EventSchedule::nextFrame() const noexcept {
  std::int64_t next = head_ == end_ ? std::numeric_limits<std::int64_t>::max() : events_[head_].frame;
  return hasHalt_ ? std::min(next, halt_.frame) : next;
}

}  // namespace quarn
