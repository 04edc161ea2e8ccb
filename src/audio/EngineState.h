// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The engine manager's inner state, shared by its script-side half
// (EngineManager.cpp) and its render half (EngineRender.cpp). Internal.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>

#include "audio/AudioDevice.h"
#include "audio/DeviceClock.h"
#include "audio/EngineLimits.h"
#include "audio/EngineManager.h"
#include "audio/EventSchedule.h"
#include "audio/OutputStage.h"
#include "audio/SampleCache.h"
#include "audio/SamplePlayer.h"
#include "audio/SoundEvent.h"
#include "audio/VoiceLevel.h"

namespace quarn {

inline constexpr std::int64_t kNoHaltFrame = std::numeric_limits<std::int64_t>::max();

// The voice's part of a change; false for changes that are not the voice's.
inline bool applyVoiceChange(SynthVoice* voice, const SoundEvent& event) noexcept {
  switch (event.kind) {
    case SoundEventKind::voicePlay: synthPlayNote(voice); return true;
    case SoundEventKind::voiceFrequency: synthSetFrequency(voice, event.value); return true;
    case SoundEventKind::voiceCutoff: synthSetCutoff(voice, event.value); return true;
    case SoundEventKind::voiceResonance: synthSetResonance(voice, event.value); return true;
    case SoundEventKind::voiceDecay: synthSetDecay(voice, event.value); return true;
    case SoundEventKind::voiceAccent: synthSetAccent(voice, event.value); return true;
    case SoundEventKind::voiceSlide: synthSetSlide(voice, event.value); return true;
    default: return false;
  }
}

struct EngineManager::Impl {
  Impl(std::filesystem::path dir, AudioOutput out)
      : output(out),
        cache(std::move(dir), kSampleCacheBytes),
        renderSide(out == AudioOutput::none ? nullptr : std::make_unique<RenderSide>()),
        hasRenderer(out == AudioOutput::pulled) {}

  // What only a render uses, made unless the output is none: a silent run
  // neither allocates nor touches it.
  struct RenderSide {
    SamplePlayer sampler{kSampleRate};
    SoundEventQueue<kSoundEventQueueCapacity> queue;
    EventSchedule schedule{kPendingSoundEvents};
    VoiceLevel voiceLevel{static_cast<float>(kSampleRate)};
  };

  const AudioOutput output;
  SampleCache cache;
  const std::unique_ptr<RenderSide> renderSide;
  DeviceClock* deviceClock = nullptr;  // the engine's clock when it follows the device
  Recorder recorder;

  std::atomic<bool> hasRenderer;             // changes go to the render thread
  std::atomic<std::uint64_t> sendOrder{0};   // ties at one frame apply in this order
  std::atomic<std::int64_t> haltFrame{kNoHaltFrame};  // the earliest halt not yet seen
  std::atomic<bool> isDropping{false};       // the queue-full line was printed
  std::atomic<std::int64_t> framesDone{0};   // published copy of renderedFrames
  std::atomic<std::int64_t> lastSentFrame{kSoundNow};  // the latest frame a change was sent for
  OutputMeter meter;

  // Render thread only.
  std::int64_t renderedFrames = 0;
  std::uint64_t seenGeneration = 0;

  // Render half (EngineRender.cpp).
  void noteHalt(std::uint64_t generation) noexcept;
  bool isStale(const SoundEvent& event) const noexcept;
  void takeQueued() noexcept;
  void apply(SynthVoice* voice, const SoundEvent& event) noexcept;
  // Every change due by `frame`, in order.
  void applyDue(SynthVoice* voice, std::int64_t frame) noexcept;
  void applyHalt(SynthVoice* voice, const SoundEvent& halt) noexcept;
  void renderSpan(SynthVoice* voice, float* const* channels, int channelCount, int offset,
                  int frames) noexcept;
  // The block as it leaves the engine, every stage done.
  void tapOutput(float* const* channels, int channelCount, int frames) noexcept;

  // Declared last so it is destroyed first: no pull runs once the rest goes.
  std::unique_ptr<AudioDevice> device;
};

}  // namespace quarn
