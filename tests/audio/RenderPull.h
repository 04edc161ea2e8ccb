#pragma once
// Pulling the engine's render as the audio thread would, with every allocator
// call made inside render counted (AllocationCount.cpp replaces the program's
// allocation functions; under a sanitizer nothing is counted).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

#include "audio/EngineManager.h"

extern thread_local bool isCounting;
extern std::atomic<int> allocatorCalls;
extern const bool kCountsAllocations;

namespace quarn {

// The left channel; with only mono sounds the right one carries the same.
inline std::vector<float> pull(EngineManager& engine, int frames, int block = 256, bool mono = true) {
  std::vector<float> left(frames), right(frames);
  for (int done = 0; done < frames; done += block) {
    float* channels[2] = {left.data() + done, right.data() + done};
    isCounting = true;
    engine.render(channels, 2, std::min(block, frames - done));
    isCounting = false;
  }
  EXPECT_TRUE(!mono || left == right);
  return left;
}

// One past the last sample louder than the threshold (0 when all quiet).
inline std::size_t soundingLength(const std::vector<float>& signal, float threshold = 1e-3f) {
  std::size_t i = signal.size();
  while (i > 0 && std::fabs(signal[i - 1]) <= threshold) --i;
  return i;
}

}  // namespace quarn
