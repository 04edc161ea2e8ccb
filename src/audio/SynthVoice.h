#pragma once
// The one monophonic voice: a sawtooth through a one-pole low-pass filter.
// Parameters are atomics written from script threads; synthRender runs on the
// audio render thread only and takes no lock, allocates nothing, makes no call.

#include <atomic>
#include <cstdint>

namespace quarn {

struct SynthVoice {
  float sampleRate = 44100.0f;  // set before the render thread exists
  float phase = 0.0f;           // render thread only
  float filterState = 0.0f;     // render thread only
  std::atomic<float> frequency{440.0f};
  std::atomic<float> cutoff{1.0f};
  std::atomic<float> resonance{0.0f};
  std::atomic<bool> isPlaying{true};
};

SynthVoice* synthCreate();
void synthDestroy(SynthVoice* voice);  // null does nothing
void synthCopy(SynthVoice* destination, const SynthVoice* source);
void synthSetSampleRate(SynthVoice* voice, float sampleRate);  // only values above 0
void synthSetFrequency(SynthVoice* voice, float frequency);
void synthSetCutoff(SynthVoice* voice, float cutoff);
void synthSetResonance(SynthVoice* voice, float resonance);
void synthSetPlaying(SynthVoice* voice, bool isPlaying);
void synthRender(SynthVoice* voice, float* out, std::int32_t frameCount) noexcept;

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
