#pragma once
// The render thread's sound changes waiting for their frame, kept sorted by
// (frame, send order) in storage allocated once. At most one halt waits among
// them: a later halt takes the earlier one's place.
//
// Threads: construction on any thread; everything else on the audio render
// thread only (or whoever pulls the render).

#include <cstddef>
#include <cstdint>
#include <memory>

#include "audio/SoundEvent.h"

namespace quarn {

class EventSchedule {
public:
  explicit EventSchedule(std::size_t capacity);

  bool hasRoom() const { return count() < capacity_; }
  // Needs room.
  void insert(const SoundEvent& event) noexcept;
  // Always fits: a halt waiting already is replaced, keeping the earlier frame.
  void insertHalt(const SoundEvent& halt) noexcept;
  // The halt still waiting, if any.
  const SoundEvent* waitingHalt() const { return hasHalt_ ? &halt_ : nullptr; }

  // The first event, if it is due at `frame`; removes it.
  bool takeDue(std::int64_t frame, SoundEvent& event) noexcept;
  // The frame of the first event; INT64_MAX when there is none.
  std::int64_t nextFrame() const noexcept;

  // Removes every event for which drop(event) holds, in order.
  template <typename Drop>
  void removeIf(Drop drop) noexcept {
    std::size_t kept = head_;
    for (std::size_t i = head_; i < end_; ++i) {
      if (!drop(events_[i])) {
        events_[kept++] = events_[i];
      }
    }
    end_ = kept;
  }

private:
  std::size_t count() const { return end_ - head_; }

  const std::size_t capacity_;
  std::unique_ptr<SoundEvent[]> events_;  // [head_, end_) in order
  std::size_t head_ = 0;
  std::size_t end_ = 0;
  SoundEvent halt_;
  bool hasHalt_ = false;
};

}  // namespace quarn
