// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/RecordRing.h"

#include <bit>

namespace quarn {

RecordRing::RecordRing(std::size_t frames)
    : capacity_(std::bit_ceil(frames < 1 ? std::size_t{1} : frames)),
      samples_(std::make_unique<float[]>(2 * capacity_)) {}

bool RecordRing::push(const float* left, const float* right, std::size_t frames) noexcept {
  const std::size_t tail = tail_.load(std::memory_order_relaxed);
  if (capacity_ - (tail - head_.load(std::memory_order_acquire)) < frames) return false;
  const std::size_t mask = capacity_ - 1;
  for (std::size_t i = 0; i < frames; ++i) {
    float* frame = &samples_[2 * ((tail + i) & mask)];
    frame[0] = left[i];
    frame[1] = right[i];
  }
  tail_.store(tail + frames, std::memory_order_release);
  return true;
}

std::size_t RecordRing::pop(float* out, std::size_t maxFrames) noexcept {
  const std::size_t head = head_.load(std::memory_order_relaxed);
  const std::size_t ready = tail_.load(std::memory_order_acquire) - head;
  const std::size_t frames = ready < maxFrames ? ready : maxFrames;
  const std::size_t mask = capacity_ - 1;
  for (std::size_t i = 0; i < frames; ++i) {
    const float* frame = &samples_[2 * ((head + i) & mask)];
    out[2 * i] = frame[0];
    out[2 * i + 1] = frame[1];
  }
  head_.store(head + frames, std::memory_order_release);
  return frames;
}

}  // namespace quarn
