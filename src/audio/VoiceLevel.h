// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The voice's level after synthRender: a play, a release or a halt moves it
// along a short straight ramp instead of a jump, which would click. A steady
// level of 1 leaves the voice's samples as they are.
//
// Threads: audio render thread only.

#include <cstdint>

#include "audio/SynthVoice.h"

namespace quarn {

// How long the level takes from silence to full (and back).
inline constexpr float kVoiceRampSeconds = 0.003f;

class VoiceLevel {
public:
  explicit VoiceLevel(float sampleRate) : step_(1.0f / (kVoiceRampSeconds * sampleRate)) {}

  // The voice's next frameCount samples at their level: a released voice
  // goes on sounding until its ramp has reached silence.
  void render(SynthVoice* voice, float* out, std::int32_t frameCount) noexcept;
  float level() const { return level_; }

private:
  void applyRamp(float* out, std::int32_t frameCount, float target) noexcept;

  const float step_;
  float level_ = 0.0f;  // the system starts silent
};

}  // namespace quarn
