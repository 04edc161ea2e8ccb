// SPDX-License-Identifier: GPL-3.0-or-later
// The engine manager's render half: taking stamped changes from the queue,
// applying each at its frame, and rendering the voice and the sampler between.
// Audio render thread only: no lock, no allocation, nothing freed.
#include <cstring>

#include "audio/EngineState.h"

namespace quarn {
namespace {

// A sound the player or the schedule lets go goes back to the cache's owner.
void handBack(SampleCache& cache, const SampleBuffer* sound) noexcept {
  if (sound != nullptr) {
    cache.handBack(sound);  // a full ring keeps the sound lent for good: never freed here
  }
}

}  // namespace

// A new generation means a halt: its sound part waits in the schedule for its frame.
void EngineManager::Impl::noteHalt(std::uint64_t generation) noexcept {
  if (generation == seenGeneration) {
    return;
  }
  seenGeneration = generation;
  std::int64_t frame = haltFrame.exchange(kNoHaltFrame);
  SoundEvent halt;
  halt.kind = SoundEventKind::halt;
  halt.frame = frame == kNoHaltFrame ? kSoundNow : frame;  // taken with an earlier halt
  halt.generation = generation;
  renderSide->schedule.insertHalt(halt);
}

// An older run's change is dropped, unless it falls before a halt still waiting.
bool EngineManager::Impl::isStale(const SoundEvent& event) const noexcept {
  if (event.generation >= seenGeneration) {
    return false;
  }
  const SoundEvent* halt = renderSide->schedule.waitingHalt();
  return halt == nullptr || event.frame >= halt->frame;
}

// While the schedule has room; the rest waits in the queue for the next block.
void EngineManager::Impl::takeQueued() noexcept {
  SoundEvent event;
  while (renderSide->schedule.hasRoom() && renderSide->queue.pop(event)) {
    if (isStale(event)) {
      handBack(cache, event.sound);
    } else {
      renderSide->schedule.insert(event);
    }
  }
}

void EngineManager::Impl::applyDue(SynthVoice* voice, std::int64_t frame) noexcept {
  SoundEvent event;
  while (renderSide->schedule.takeDue(frame, event)) {
    apply(voice, event);
  }
}

void EngineManager::Impl::applyHalt(SynthVoice* voice, const SoundEvent& halt) noexcept {
  synthSetPlaying(voice, false);
  handBack(cache, renderSide->sampler.stop());
  renderSide->schedule.removeIf([&](const SoundEvent& event) {
    if (event.generation >= halt.generation) {
      return false;
    }
    handBack(cache, event.sound);
    return true;
  });
}

void EngineManager::Impl::apply(SynthVoice* voice, const SoundEvent& event) noexcept {
  if (applyVoiceChange(voice, event)) {
    return;
  }
  switch (event.kind) {
    case SoundEventKind::samplerPlay: handBack(cache, renderSide->sampler.start(event.sound)); break;
    case SoundEventKind::samplerStop: handBack(cache, renderSide->sampler.stop()); break;
    case SoundEventKind::samplerRate: renderSide->sampler.setRate(event.value); break;
    case SoundEventKind::halt: applyHalt(voice, event); break;
    default: break;
  }
}

// frames frames from offset: the voice at its level, its copy, then the sampler added.
void EngineManager::Impl::renderSpan(SynthVoice* voice, float* const* channels, int channelCount,
                                     int offset, int frames) noexcept {
  float* const span[kEngineChannels] = {
      channels[0] + offset, channelCount > 1 && channels[1] != nullptr ? channels[1] + offset : nullptr};
  renderSide->voiceLevel.render(voice, span[0], frames);
  if (span[1] != nullptr) {
    std::memcpy(span[1], span[0], sizeof(float) * static_cast<std::size_t>(frames));
  }
  // further channels are left as they are, like the voice leaves them
  renderSide->sampler.renderAdd(span, channelCount < kEngineChannels ? channelCount : kEngineChannels, frames);
}

// What the device plays is what a recording keeps.
void EngineManager::Impl::tapOutput(float* const* channels, int channelCount, int frames) noexcept {
  recorder.take(channels, channelCount, frames);
}

// The block is cut where changes fall, so each applies at its own frame; a
// change whose frame has passed applies at the block's start.
void EngineManager::render(float* const* channels, int channelCount, int frameCount) noexcept {
  if (channelCount < 1 || channels[0] == nullptr || frameCount < 1 || !impl_->renderSide) {
    return;
  }
  Impl& state = *impl_;
  SynthVoice* voice = synth->pointer;
  state.noteHalt(runGeneration_.load());
  state.takeQueued();
  const std::int64_t first = state.renderedFrames;
  for (int offset = 0; offset < frameCount;) {
    state.applyDue(voice, first + offset);
    const std::int64_t next = state.renderSide->schedule.nextFrame() - first;
    const int end = next < frameCount ? static_cast<int>(next) : frameCount;
    state.renderSpan(voice, channels, channelCount, offset, end - offset);
    offset = end;
  }
  finishOutput(channels, channelCount < kEngineChannels ? channelCount : kEngineChannels, frameCount,
               state.meter);
  state.tapOutput(channels, channelCount, frameCount);
  state.renderedFrames = first + frameCount;
  state.framesDone.store(state.renderedFrames);
  if (state.deviceClock != nullptr) {
    state.deviceClock->blockRendered(state.renderedFrames);
  }
}

float EngineManager::takeOutputPeak() { return impl_->meter.peak.exchange(0.0f); }

void EngineManager::watchOutput(bool isWatched) {
  impl_->meter.isWatched.store(isWatched);
  impl_->meter.peak.store(0.0f);
}

void EngineManager::applyDueChanges() noexcept {
  Impl& state = *impl_;
  if (!state.renderSide) {
    return;
  }
  state.noteHalt(runGeneration_.load());
  state.takeQueued();
  state.applyDue(synth->pointer, state.renderedFrames);
}

}  // namespace quarn
