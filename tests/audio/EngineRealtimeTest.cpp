// The render path allocates and frees nothing, also while a sound is handed
// over from another thread. Every allocation function of the test program is
// replaced by a counting one; only the rendering thread, and only while it is
// inside render, is counted.
#include <gtest/gtest.h>
#include <samplerate.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#include "AudioTestSupport.h"

// Sanitizer runtimes bring their own allocator; there the counting is left out.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#define QUARN_COUNT_ALLOCATIONS 0
#else
#define QUARN_COUNT_ALLOCATIONS 1
#endif

namespace {
thread_local bool isCounting = false;
std::atomic<int> allocations{0};
std::atomic<int> releases{0};
}  // namespace

#if QUARN_COUNT_ALLOCATIONS
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void __libc_free(void* pointer);
}

namespace {

void noteAllocation() {
  if (isCounting) allocations.fetch_add(1);
}
void noteRelease(void* pointer) {
  if (isCounting && pointer != nullptr) releases.fetch_add(1);
}

}  // namespace

extern "C" {
void* malloc(std::size_t size) {
  noteAllocation();
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
  noteAllocation();
  return __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size) {
  noteAllocation();
  return __libc_realloc(pointer, size);
}
void free(void* pointer) {
  noteRelease(pointer);
  __libc_free(pointer);
}
}

void* operator new(std::size_t size) {
  noteAllocation();
  if (void* pointer = __libc_malloc(size == 0 ? 1 : size)) return pointer;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* pointer) noexcept {
  noteRelease(pointer);
  __libc_free(pointer);
}
void operator delete[](void* pointer) noexcept { operator delete(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { operator delete(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { operator delete(pointer); }
#endif

namespace quarn {
namespace {

// Renders `blocks` blocks of `frames` frames, counting on this thread only.
void renderCounted(EngineManager& engine, int blocks, int frames) {
  std::vector<float> left(static_cast<std::size_t>(frames)), right(left.size());
  float* channels[2] = {left.data(), right.data()};
  for (int i = 0; i < blocks; ++i) {
    isCounting = true;
    engine.render(channels, 2, frames);
    isCounting = false;
  }
}

class EngineRealtime : public ::testing::Test {
protected:
  void SetUp() override {
    test::writeSine(folder.path() / "tone.wav", 44100, {441.0}, 0.5);
    test::writeSine(folder.path() / "other.wav", 48000, {441.0, 300.0}, 0.3);
    synthSetPlaying(engine.synth->pointer, true);
    allocations = 0;
    releases = 0;
  }
  test::TempFolder folder;
  EngineManager engine{folder.path(), AudioOutput::none};
  test::CapturedLines quiet;
};

// Both C++ and the C libraries under the sampler are seen.
TEST_F(EngineRealtime, CounterSeesAllocations) {
  if (!QUARN_COUNT_ALLOCATIONS) {
    GTEST_SKIP() << "allocations are not counted under a sanitizer";
  }
  isCounting = true;
  delete new int(1);
  isCounting = false;
  EXPECT_EQ(allocations.load(), 1);
  EXPECT_EQ(releases.load(), 1);

  int error = 0;
  isCounting = true;
  src_delete(src_new(SRC_SINC_FASTEST, 2, &error));
  isCounting = false;
  EXPECT_GT(allocations.load(), 1);
  EXPECT_GT(releases.load(), 1);
}

TEST_F(EngineRealtime, PlayingAtDifferentRatesAllocatesNothing) {
  if (!QUARN_COUNT_ALLOCATIONS) {
    GTEST_SKIP() << "allocations are not counted under a sanitizer";
  }
  const struct { float rate; int frames; } cases[] = {{1.0f, 256}, {2.0f, 256}, {0.3f, 5000},
                                                      {2.0f, 1}};
  for (const auto& c : cases) {
    engine.setSamplerRate(c.rate);
    engine.playSample("tone");
    renderCounted(engine, 120, c.frames);
    EXPECT_EQ(allocations.load(), 0) << c.rate;
    EXPECT_EQ(releases.load(), 0) << c.rate;
  }
}

// Also run under ThreadSanitizer (without the counts) to check the hand-over.
TEST_F(EngineRealtime, HandOverWhilePlayingAllocatesNothing) {
  std::atomic<bool> done{false};
  std::thread script([&] {
    for (int i = 0; i < 60; ++i) {
      engine.playSample(i % 2 ? "tone" : "other");
      engine.setSamplerRate(i % 3 ? 1.0f : 2.0f);
      if (i % 7 == 0) engine.stopSampler();
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    done = true;
  });
  int blocks = 0;
  while (!done.load() || blocks < 100) {
    renderCounted(engine, 1, 256);
    ++blocks;
  }
  script.join();
  EXPECT_EQ(allocations.load(), 0);
  EXPECT_EQ(releases.load(), 0);
}

}  // namespace
}  // namespace quarn
