// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The progress line of a render on a terminal: how much audio is done out of
// the known (or capped) length. It shows only once a render has taken more
// than kProgressDelay, so quick renders print nothing.
//
// Threads: update from the rendering thread, clear from any thread.

#include <chrono>
#include <cstdint>
#include <mutex>

namespace quarn {

inline constexpr std::chrono::milliseconds kProgressDelay{1000};
inline constexpr std::chrono::milliseconds kProgressInterval{100};

class RenderProgress {
public:
  explicit RenderProgress(int fd) : fd_(fd) {}

  // The render starts; it is totalFrames long, or at most that when isCap.
  void begin(std::int64_t totalFrames, bool isCap);
  // Redraws the line with `frame` done, no more often than kProgressInterval.
  void update(std::int64_t frame);
  // Takes the line away (before a console line on the same terminal, at the end).
  void clear();

private:
  using Time = std::chrono::steady_clock::time_point;

  const int fd_;
  std::mutex mutex_;
  std::int64_t totalFrames_ = 0;
  bool isCap_ = false;
  bool isShown_ = false;
  Time started_;
  Time drawn_;
};

}  // namespace quarn
