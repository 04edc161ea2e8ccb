// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RenderProgress.h"

#include <unistd.h>

#include <cstdio>

#include "audio/Clock.h"

namespace quarn {

void RenderProgress::begin(std::int64_t totalFrames, bool isCap) {
  std::lock_guard<std::mutex> hold(mutex_);
  totalFrames_ = totalFrames;
  isCap_ = isCap;
  started_ = std::chrono::steady_clock::now();
  drawn_ = started_;
}

void RenderProgress::update(std::int64_t frame) {
  std::lock_guard<std::mutex> hold(mutex_);
  const Time now = std::chrono::steady_clock::now();
  if (now - started_ < kProgressDelay || now - drawn_ < kProgressInterval) return;
  drawn_ = now;
  const double rate = static_cast<double>(kSampleRate);
  char line[128];
  const int size = std::snprintf(line, sizeof line, "\rquarn: rendered %.1f s of %s%.1f s\x1b[K",
                                 static_cast<double>(frame) / rate, isCap_ ? "at most " : "",
                                 static_cast<double>(totalFrames_) / rate);
  isShown_ = ::write(fd_, line, static_cast<size_t>(size)) > 0;
}

void RenderProgress::clear() {
  std::lock_guard<std::mutex> hold(mutex_);
  if (!isShown_) return;
  static constexpr char kErase[] = "\r\x1b[K";
  isShown_ = ::write(fd_, kErase, sizeof kErase - 1) < 0;
}

}  // namespace quarn
