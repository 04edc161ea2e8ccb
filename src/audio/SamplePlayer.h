// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sampler: one decoded sound at a time, played through a varispeed stage
// and added into the output channels.
//
// Threads: construction and destruction on a non-audio thread while no render
// runs; everything else on the audio render thread only. The player never owns
// a sound: start and stop return the one it lets go, for the caller to hand back.

#include <vector>

#include "audio/SampleFile.h"

typedef struct SRC_STATE_tag SRC_STATE;

namespace quarn {

class SamplePlayer {
public:
  explicit SamplePlayer(double outputSampleRate);
  ~SamplePlayer();
  SamplePlayer(const SamplePlayer&) = delete;
  SamplePlayer& operator=(const SamplePlayer&) = delete;

  // Cuts off whatever plays and starts `sound` from its beginning.
  const SampleBuffer* start(const SampleBuffer* sound) noexcept;
  // Cuts off whatever plays.
  const SampleBuffer* stop() noexcept { return start(nullptr); }
  // The playback rate heard (1.0 normal, 2.0 an octave up); clamped here.
  void setRate(float rate) noexcept;

  // Adds the sampler's next frameCount frames into every channel.
  void renderAdd(float* const* channels, int channelCount, int frameCount) noexcept;

private:
  int renderStep(float* const* channels, int channelCount, int offset, int frames) noexcept;

  const double outputSampleRate_;
  float appliedRate_;
  const SampleBuffer* current_ = nullptr;
  long position_ = 0;
  bool isFinished_ = true;
  SRC_STATE* resampler_ = nullptr;
  std::vector<float> scratch_;  // kSamplerScratchFrames stereo frames, never resized
};

// The rate applied to the sound for a rate given by a script.
float clampSamplerRate(float rate);

}  // namespace quarn
