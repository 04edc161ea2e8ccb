// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Stereo frames from the audio render thread (the only writer) to a recording's
// writer thread (the only reader), interleaved, in memory set aside when the
// ring is made: pushing takes no lock, allocates nothing and makes no system
// call. A block that does not fit goes in not at all, so what the reader takes
// is always whole blocks in order.
//
// Threads: push on the render thread; pop, clear on the reader's thread while
// nothing pushes; construction and destruction while neither runs.

#include <atomic>
#include <cstddef>
#include <memory>

namespace quarn {

class RecordRing {
public:
  // Room for at least `frames` stereo frames (rounded up to a power of two).
  explicit RecordRing(std::size_t frames);
  RecordRing(const RecordRing&) = delete;
  RecordRing& operator=(const RecordRing&) = delete;

  std::size_t capacityFrames() const { return capacity_; }

  // Render thread: frames from left and right (right may be left again); false,
  // with nothing pushed, when they do not all fit.
  bool push(const float* left, const float* right, std::size_t frames) noexcept;

  // Reader: up to maxFrames interleaved frames into out; how many were taken.
  std::size_t pop(float* out, std::size_t maxFrames) noexcept;

  // Reader, while nothing pushes: empty again.
  void clear() noexcept { head_.store(tail_.load(std::memory_order_acquire), std::memory_order_release); }

private:
  const std::size_t capacity_;  // frames; a power of two, so positions wrap by masking
  const std::unique_ptr<float[]> samples_;
  // Frame counts since the start, never wrapped: full is tail - head == capacity.
  alignas(64) std::atomic<std::size_t> head_{0};  // the reader's
  alignas(64) std::atomic<std::size_t> tail_{0};  // the render thread's
};

}  // namespace quarn
