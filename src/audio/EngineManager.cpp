// SPDX-License-Identifier: GPL-3.0-or-later
// The engine manager's script side: set-up, sound changes on their way to the
// render thread, the halt, and where the bundled sounds live.
#include "audio/EngineManager.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "audio/DeviceClock.h"
#include "audio/EngineState.h"
#include "audio/InstallRoot.h"
#include "support/Diagnostics.h"
#include "support/FloatFormat.h"

namespace quarn {

namespace {

void renderEngine(void* context, float* const* channels, int channelCount,
                  int frameCount) noexcept {
  static_cast<EngineManager*>(context)->render(channels, channelCount, frameCount);
}

// How often a run's end looks whether the render has passed its last change.
constexpr std::chrono::milliseconds kScheduledSoundPoll{5};

constexpr std::string_view kQueueFullMessage =
    "Sound changes dropped: the audio output takes none; check the sound device.";

}  // namespace

EngineManager::EngineManager(std::filesystem::path resourcesDir, AudioOutput output,
                             std::shared_ptr<Clock> clock, std::shared_ptr<TurnScheduler> turns)
    : synth(std::make_shared<SynthWrapper>()),
      resourcesDir_(resourcesDir),
      turns_(turns ? std::move(turns) : std::make_shared<TurnScheduler>()),
      latencyFrames_(framesFromNanos(kDefaultLatencyMilliseconds * 1'000'000)),
      impl_(std::make_unique<Impl>(std::move(resourcesDir), output)) {
  synthSetSampleRate(synth->pointer, static_cast<float>(kSampleRate));
  if (clock) {
    clock_ = std::move(clock);
  } else if (output == AudioOutput::device) {
    auto deviceClock = std::make_unique<DeviceClock>();
    impl_->deviceClock = deviceClock.get();
    clock_ = std::move(deviceClock);
  } else {
    clock_ = std::make_unique<SteadyClock>();
  }
}

EngineManager::~EngineManager() { impl_->device.reset(); }

bool EngineManager::hasDevice() const { return impl_->device != nullptr && impl_->device->isPlaying(); }

bool EngineManager::hasRenderer() const { return impl_->hasRenderer.load(); }

Recorder& EngineManager::recorder() { return impl_->recorder; }

void EngineManager::start() {
  synthSetPlaying(synth->pointer, false);
  if (impl_->output != AudioOutput::device || impl_->device) {
    return;
  }
  auto device = std::make_unique<AudioDevice>(&renderEngine, this);
  if (device->open()) {
    impl_->device = std::move(device);
    impl_->hasRenderer.store(true);
  }
}

void EngineManager::changeVoice(SoundEventKind kind, float value, SoundStamp when) {
  SoundEvent event;
  event.kind = kind;
  event.value = value;
  send(event, when);
}

void EngineManager::setSamplerRate(float rate, SoundStamp when, SourceOffset at) {
  SoundEvent event;
  event.kind = SoundEventKind::samplerRate;
  event.value = rate;
  send(event, when);
  printLine(logLine("Sampler rate set to ", formatFloat(rate)), at);
}

void EngineManager::playSample(const std::string& name, SoundStamp when, SourceOffset at) {
  SampleCache::Outcome outcome = SampleCache::Outcome::lent;
  const SampleBuffer* sound = impl_->cache.lend(name, &outcome);
  if (outcome == SampleCache::Outcome::missing) {
    printLine(logLine("Audio file could not be found: ", escapeControls(name), ".wav"), at);
  }
  if (sound == nullptr) {
    return;  // an unreadable file: the player keeps whatever it was doing
  }
  SoundEvent event;
  event.kind = SoundEventKind::samplerPlay;
  event.sound = sound;
  send(event, when);
}

void EngineManager::stopSampler(SoundStamp when) {
  SoundEvent event;
  event.kind = SoundEventKind::samplerStop;
  send(event, when);
}

// The halt's frame is stored before the generation moves on, so the render
// thread that sees the new generation also finds the frame (the earliest of
// halts that come together).
void EngineManager::halt(std::int64_t soundFrame) {
  isRunning.store(false);
  std::int64_t earliest = impl_->haltFrame.load();
  while (soundFrame < earliest && !impl_->haltFrame.compare_exchange_weak(earliest, soundFrame)) {
  }
  runGeneration_.fetch_add(1);
  clock_->wakeAll();
  if (!impl_->hasRenderer.load()) {
    synthSetPlaying(synth->pointer, false);
  }
}

std::int64_t EngineManager::renderedFrames() const { return impl_->framesDone.load(); }

// Polled: the render publishes its count without waking anyone.
void EngineManager::playOut() {
  if (!impl_->hasRenderer.load() || impl_->output == AudioOutput::pulled) {
    return;
  }
  const std::uint64_t generation = runGeneration();
  const std::int64_t target = std::max(impl_->lastSentFrame.load(), renderedFrames()) +
                              framesFromNanos(kReleaseTailMilliseconds * 1'000'000);
  const auto giveUp = std::chrono::steady_clock::now() +
                      std::chrono::nanoseconds(nanosFromFrames(target - renderedFrames())) +
                      std::chrono::milliseconds(kScheduledSoundPatienceMilliseconds);
  while (renderedFrames() < target && runGeneration() == generation &&
         std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(kScheduledSoundPoll);
  }
  if (runGeneration() == generation && impl_->device) {
    impl_->device->drainOnClose();
  }
}

// A full queue means the render thread has not taken changes for a while: the
// sender waits for room, unless its run is halted (its change would be dropped
// anyway) or the render thread takes nothing for kSoundQueueWaitMilliseconds;
// from then on changes are dropped at once until the queue takes one again.
void EngineManager::send(SoundEvent event, SoundStamp when) {
  event.frame = when.frame;
  event.generation = when.generation == kCurrentGeneration ? runGeneration() : when.generation;
  if (!impl_->hasRenderer.load()) {
    applyAtOnce(event);
    return;
  }
  event.order = impl_->sendOrder.fetch_add(1);
  std::int64_t latest = impl_->lastSentFrame.load();
  while (event.frame > latest && !impl_->lastSentFrame.compare_exchange_weak(latest, event.frame)) {
  }
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSoundQueueWaitMilliseconds);
  while (!impl_->renderSide->queue.push(event)) {
    const bool isHalted = event.generation < runGeneration();
    if (isHalted || impl_->isDropping.load() || std::chrono::steady_clock::now() > giveUp) {
      if (!isHalted && !impl_->isDropping.exchange(true)) {
        printLine(logLine(kQueueFullMessage));
      }
      if (event.sound != nullptr) {
        impl_->cache.giveBack(event.sound);
      }
      return;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  impl_->isDropping.store(false);
}

// No render thread: the voice's parameters are set here (there is no sound to
// place them in), and a sound to play goes straight back.
void EngineManager::applyAtOnce(const SoundEvent& event) {
  if (!applyVoiceChange(synth->pointer, event) && event.sound != nullptr) {
    impl_->cache.giveBack(event.sound);
  }
}

std::filesystem::path EngineManager::defaultResourcesDir() {
  return dataDir() / "samples";
}

}  // namespace quarn
