// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decoded sounds kept by name, so that repeated plays neither read nor decode
// the file again, bounded by their total size. A sound lent to the render
// thread stays alive until it is given back, even after it has left the cache.
//
// Threads: lend and giveBack from any non-audio thread (one mutex); handBack
// from the audio render thread only (a lock-free ring, drained by lend).

#include <cstddef>
#include <filesystem>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "audio/EngineLimits.h"
#include "audio/RetireRing.h"
#include "audio/SampleFile.h"

namespace quarn {

class SampleCache {
public:
  SampleCache(std::filesystem::path resourcesDir, std::size_t byteLimit);

  enum class Outcome { lent, missing, unreadable };
  // The decoded sound named `name`, lent until given back; null unless lent.
  const SampleBuffer* lend(const std::string& name, Outcome* outcome);
  void giveBack(const SampleBuffer* sound);
  // Audio thread: a lent sound is done with. False when the ring is full (the
  // sound then stays lent for good rather than be freed here).
  bool handBack(const SampleBuffer* sound) noexcept { return returned_.push(sound); }

  // Sounds kept (for tests).
  std::size_t keptCount();

private:
  struct Entry {
    std::string name;
    std::unique_ptr<SampleBuffer> sound;
    int lentOut = 0;
    bool isKept = true;  // false once evicted: freed when the last loan ends
  };
  void drainReturned();
  void release(std::list<Entry>::iterator entry);
  void evictOverLimit();

  const std::filesystem::path resourcesDir_;
  const std::size_t byteLimit_;
  std::mutex mutex_;
  std::list<Entry> entries_;  // most recently used first
  std::size_t keptBytes_ = 0;
  RetireRing<const SampleBuffer, kSoundsInFlight> returned_;
};

}  // namespace quarn
