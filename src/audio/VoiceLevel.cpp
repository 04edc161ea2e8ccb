// SPDX-License-Identifier: GPL-3.0-or-later
// The voice's level ramp.
#include "audio/VoiceLevel.h"

#include <cmath>

namespace quarn {

void VoiceLevel::render(SynthVoice* voice, float* out, std::int32_t frameCount) noexcept {
  const bool isPlaying = voice->isPlaying.load();
  if (frameCount < 1) {
    return;
  }
  if (isPlaying || level_ == 0.0f) {
    synthRender(voice, out, frameCount);
  } else {
    synthRenderSound(voice, out, frameCount);  // the fade-out of a release
  }
  applyRamp(out, frameCount, isPlaying ? voice->shape.noteLevel : 0.0f);
}

void VoiceLevel::applyRamp(float* out, std::int32_t frameCount, float target) noexcept {
  std::int32_t i = 0;
  for (; i < frameCount && level_ != target; ++i) {
    level_ = level_ < target ? std::fmin(level_ + step_, target) : std::fmax(level_ - step_, target);
    out[i] *= level_;
  }
  if (level_ != 1.0f) {
    for (; i < frameCount; ++i) {
      out[i] *= level_;
    }
  }
}

}  // namespace quarn
