// SPDX-License-Identifier: GPL-3.0-or-later
// The decoded-sound cache: loans to the render thread and eviction by size.
#include "audio/SampleCache.h"

#include <algorithm>

namespace quarn {
namespace {

std::size_t bytesOf(const SampleBuffer& sound) { return sound.samples.size() * sizeof(float); }

}  // namespace

SampleCache::SampleCache(std::filesystem::path resourcesDir, std::size_t byteLimit)
    : resourcesDir_(std::move(resourcesDir)), byteLimit_(byteLimit) {}

const SampleBuffer* SampleCache::lend(const std::string& name, Outcome* outcome) {
  std::lock_guard<std::mutex> hold(mutex_);
  drainReturned();
  auto found = std::find_if(entries_.begin(), entries_.end(),
                            [&](const Entry& e) { return e.isKept && e.name == name; });
  if (found == entries_.end()) {
    bool exists = false;
    const std::filesystem::path file = findSampleFile(resourcesDir_, name, &exists);
    std::unique_ptr<SampleBuffer> sound = exists ? decodeSampleFile(file) : nullptr;
    if (!sound) {
      *outcome = exists ? Outcome::unreadable : Outcome::missing;
      return nullptr;
    }
    keptBytes_ += bytesOf(*sound);
    entries_.push_front(Entry{name, std::move(sound)});
    found = entries_.begin();
  }
  entries_.splice(entries_.begin(), entries_, found);
  ++found->lentOut;
  evictOverLimit();
  *outcome = Outcome::lent;
  return found->sound.get();
}

void SampleCache::giveBack(const SampleBuffer* sound) {
  std::lock_guard<std::mutex> hold(mutex_);
  auto entry = std::find_if(entries_.begin(), entries_.end(),
                            [&](const Entry& e) { return e.sound.get() == sound; });
  if (entry != entries_.end()) {
    release(entry);
  }
}

std::size_t SampleCache::keptCount() {
  std::lock_guard<std::mutex> hold(mutex_);
  drainReturned();
  return static_cast<std::size_t>(std::count_if(entries_.begin(), entries_.end(),
                                                [](const Entry& e) { return e.isKept; }));
}

void SampleCache::drainReturned() {
  while (const SampleBuffer* sound = returned_.pop()) {
    auto entry = std::find_if(entries_.begin(), entries_.end(),
                              [&](const Entry& e) { return e.sound.get() == sound; });
    if (entry != entries_.end()) {
      release(entry);
    }
  }
}

void SampleCache::release(std::list<Entry>::iterator entry) {
  if (--entry->lentOut == 0 && !entry->isKept) {
    entries_.erase(entry);
  }
}

// The least recently used sounds go first; the one just lent always stays.
void SampleCache::evictOverLimit() {
  for (auto entry = std::prev(entries_.end()); keptBytes_ > byteLimit_ && entry != entries_.begin();) {
    auto before = std::prev(entry);
    if (entry->isKept) {
      entry->isKept = false;
      keptBytes_ -= bytesOf(*entry->sound);
      if (entry->lentOut == 0) {
        entries_.erase(entry);
      }
    }
    entry = before;
  }
}

}  // namespace quarn
