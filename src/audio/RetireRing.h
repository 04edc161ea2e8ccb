// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fixed ring that carries pointers from the audio render thread (the only
// writer) back to a non-audio thread (the only reader, serialised by the
// caller), so that the audio thread never frees memory itself.

#include <array>
#include <atomic>
#include <cstddef>

namespace quarn {

template <typename T, std::size_t kCapacity>
class RetireRing {
public:
  // Audio thread: false when full (the caller then keeps the pointer).
  bool push(T* item) noexcept {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    const std::size_t next = (tail + 1) % kSlots;
    if (next == head_.load(std::memory_order_acquire)) {
      return false;
    }
    slots_[tail] = item;
    tail_.store(next, std::memory_order_release);
    return true;
  }

  // Reader: null when empty.
  T* pop() noexcept {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) {
      return nullptr;
    }
    T* item = slots_[head];
    head_.store((head + 1) % kSlots, std::memory_order_release);
    return item;
  }

private:
  static constexpr std::size_t kSlots = kCapacity + 1;
  // Left unset: a slot is always written before it is read, and a large ring
  // then costs no memory until it is used.
  std::array<T*, kSlots> slots_;
  std::atomic<std::size_t> head_{0};
  std::atomic<std::size_t> tail_{0};
};

}  // namespace quarn
