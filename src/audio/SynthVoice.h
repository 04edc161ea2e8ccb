// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one monophonic voice: a sawtooth through a one-pole low-pass filter, or,
// with resonance, decay, accent or slide in use, through the 303 side of
// VoiceShape.h. Parameters are atomics written from script threads; the render
// functions run on the audio render thread only and take no lock, allocate
// nothing, make no call.

#include <atomic>
#include <cstdint>

#include "audio/SampleRate.h"
#include "audio/VoiceShape.h"

namespace quarn {

struct SynthVoice {
  float sampleRate = static_cast<float>(kSampleRate);  // set before the render thread exists
  float phase = 0.0f;           // render thread only
  float filterState = 0.0f;     // render thread only
  std::atomic<float> frequency{440.0f};
  std::atomic<float> cutoff{1.0f};
  std::atomic<float> resonance{0.0f};
  std::atomic<bool> isPlaying{true};
  std::atomic<float> decay{0.0f};   // the rest are kept in [0, 1] by their callers
  std::atomic<float> accent{0.0f};
  std::atomic<float> slide{0.0f};
  std::atomic<std::uint32_t> noteCount{0};  // one more for every play: a note starts
  VoiceShape shape;                         // render thread only
};

SynthVoice* synthCreate();
void synthDestroy(SynthVoice* voice);  // null does nothing
void synthSetSampleRate(SynthVoice* voice, float sampleRate);  // only values above 0
void synthSetFrequency(SynthVoice* voice, float frequency);
void synthSetCutoff(SynthVoice* voice, float cutoff);
void synthSetResonance(SynthVoice* voice, float resonance);
void synthSetPlaying(SynthVoice* voice, bool isPlaying);
void synthSetDecay(SynthVoice* voice, float decay);
void synthSetAccent(SynthVoice* voice, float accent);
void synthSetSlide(SynthVoice* voice, float slide);
// A play: the voice on and a new note started (its envelope, its accent).
void synthPlayNote(SynthVoice* voice);
void synthRender(SynthVoice* voice, float* out, std::int32_t frameCount) noexcept;
// Renders as if playing, whatever isPlaying says: the level stage lets a
// released voice fade out through it.
void synthRenderSound(SynthVoice* voice, float* out, std::int32_t frameCount) noexcept;

// Sole owner of one voice; shared through std::shared_ptr<SynthWrapper>.
class SynthWrapper {
public:
  SynthWrapper();
  ~SynthWrapper();
  SynthWrapper(const SynthWrapper&) = delete;
  SynthWrapper& operator=(const SynthWrapper&) = delete;

  SynthVoice* const pointer;
};

}  // namespace quarn
