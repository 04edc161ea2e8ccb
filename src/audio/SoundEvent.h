// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A change to the sound, stamped with the render frame at which it applies, and
// the bounded lock-free queue that carries such changes from any number of
// script threads to the one render thread.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace quarn {

struct SampleBuffer;

enum class SoundEventKind : std::uint8_t {
  voicePlay,
  voiceFrequency,
  voiceCutoff,
  voiceResonance,
  voiceDecay,
  voiceAccent,
  voiceSlide,
  samplerPlay,
  samplerStop,
  samplerRate,
  halt,  // the sound part of a halt: everything off, older runs' events dropped
};

struct SoundEvent {
  std::int64_t frame = 0;        // render frame it applies at; earlier ones apply at once
  std::uint64_t order = 0;       // send order: ties at one frame apply in this order
  std::uint64_t generation = 0;  // the run generation of its sender
  SoundEventKind kind = SoundEventKind::voicePlay;
  float value = 0.0f;
  const SampleBuffer* sound = nullptr;  // samplerPlay only
};

// Whether a applies before b.
inline bool soundEventBefore(const SoundEvent& a, const SoundEvent& b) {
  return a.frame != b.frame ? a.frame < b.frame : a.order < b.order;
}

// A bounded multi-producer queue (a ring of cells with sequence numbers): push
// and pop never lock and never allocate. kCapacity must be a power of two.
template <std::size_t kCapacity>
class SoundEventQueue {
  static_assert(kCapacity >= 2 && (kCapacity & (kCapacity - 1)) == 0);

public:
  SoundEventQueue() {
    for (std::size_t i = 0; i < kCapacity; ++i) {
      cells_[i].sequence.store(i, std::memory_order_relaxed);
    }
  }

  // Any thread: false when full.
  bool push(const SoundEvent& event) noexcept {
    std::size_t position = tail_.load(std::memory_order_relaxed);
    for (;;) {
      Cell& cell = cells_[position & (kCapacity - 1)];
      const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
      const auto difference = static_cast<std::ptrdiff_t>(sequence) - static_cast<std::ptrdiff_t>(position);
      if (difference == 0) {
        if (tail_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
          cell.event = event;
          cell.sequence.store(position + 1, std::memory_order_release);
          return true;
        }
      } else if (difference < 0) {
        return false;
      } else {
        position = tail_.load(std::memory_order_relaxed);
      }
    }
  }

  // The one reader: false when empty.
  bool pop(SoundEvent& event) noexcept {
    const std::size_t position = head_.load(std::memory_order_relaxed);
    Cell& cell = cells_[position & (kCapacity - 1)];
    if (cell.sequence.load(std::memory_order_acquire) != position + 1) {
      return false;
    }
    event = cell.event;
    head_.store(position + 1, std::memory_order_relaxed);
    cell.sequence.store(position + kCapacity, std::memory_order_release);
    return true;
  }

private:
  struct Cell {
    std::atomic<std::size_t> sequence{0};
    SoundEvent event;
  };
  std::array<Cell, kCapacity> cells_;
  alignas(64) std::atomic<std::size_t> tail_{0};
  alignas(64) std::atomic<std::size_t> head_{0};
};

}  // namespace quarn
