// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The render thread's sound changes waiting for their frame: a binary heap on
// (frame, send order, arrival) in storage allocated once, so taking in or
// handing out one event costs O(log n) however the events arrived. At most one
// halt waits beside them: a later halt takes the earlier one's place.
//
// Threads: construction on any thread; everything else on the audio render
// thread only (or whoever pulls the render).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "audio/SoundEvent.h"

namespace quarn {

class EventSchedule {
public:
  explicit EventSchedule(std::size_t capacity);

  bool hasRoom() const { return count_ < capacity_; }
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

  // Removes every event for which drop(event) holds; O(n).
  template <typename Drop>
  void removeIf(Drop drop) noexcept {
    Entry* const first = entries_.get();
    Entry* const kept = std::remove_if(first, first + count_, [&](const Entry& e) { return drop(e.event); });
    count_ = static_cast<std::size_t>(kept - first);
    std::make_heap(first, kept, later);
  }

private:
  // Arrival breaks ties of frame and send order, so equal stamps keep the
  // order in which they were taken in.
  struct Entry {
    SoundEvent event;
    std::uint64_t arrival = 0;
  };
  // The heap's order: the root is the entry no other applies before.
  static bool later(const Entry& a, const Entry& b) noexcept {
    if (soundEventBefore(b.event, a.event)) return true;
    if (soundEventBefore(a.event, b.event)) return false;
    return a.arrival > b.arrival;
  }

  const std::size_t capacity_;
  std::unique_ptr<Entry[]> entries_;  // a heap on `later` over [0, count_)
  std::size_t count_ = 0;
  std::uint64_t arrivals_ = 0;
  SoundEvent halt_;
  bool hasHalt_ = false;
};

}  // namespace quarn
