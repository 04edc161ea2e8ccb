// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The voice's 303 side: a resonant four-pole ladder, the filter envelope with
// its accent, and the slide from one pitch to the next. When none of it is in
// use (resonance 0, no envelope still sounding, no glide under way) the voice
// renders its plain one-pole loop, sample for sample as it always has.
//
// Threads: the limits anywhere; VoiceShape and the functions audio thread only.

#include <cstdint>

namespace quarn {

// setDecay: 1 lets the filter envelope fall for this long (its time constant);
// the envelope opens the cutoff by up to kDecayDepth of its range.
inline constexpr float kMaxDecaySeconds = 2.0f;
inline constexpr float kDecayDepth = 0.6f;
// An accented note opens the filter further, sounds louder and decays sooner;
// with the decay at 0 its envelope alone falls over kAccentDecaySeconds.
inline constexpr float kAccentDecaySeconds = 0.2f;
inline constexpr float kAccentDepth = 0.4f;
inline constexpr float kAccentLevel = 0.5f;       // level 1.5 (+3.5 dB) at accent 1
inline constexpr float kAccentShortening = 0.5f;  // half the decay at accent 1
// setSlide: 1 glides to a new frequency with this time constant.
inline constexpr float kMaxSlideSeconds = 0.25f;

// The ladder: feedback at resonance 1, sent through a high-pass so the bass
// under a singing peak is not thinned away; below kBlendResonance the voice
// passes over from the one-pole to the ladder, so a sweep up from 0 has no jump.
inline constexpr float kMaxFeedback = 3.6f;
inline constexpr float kFeedbackHighpassHz = 80.0f;
inline constexpr float kBlendResonance = 0.2f;

// Render-thread state of the 303 side.
struct VoiceShape {
  float stages[4] = {};        // the ladder's four one-pole stages
  float feedbackLow = 0.0f;    // the low part the feedback high-pass takes away
  float envelope = 0.0f;       // 1 at a note's start, falling; 0 once below a floor
  float envelopeFall = 0.0f;   // per-sample factor, set at the note's start
  float envelopeDepth = 0.0f;  // how far the envelope opens the cutoff
  float glide = 0.0f;          // the frequency heard while sliding
  float noteLevel = 1.0f;      // the note's level (accent), for the voice's level stage
  std::uint32_t seenNotes = 0;
  bool isSounding = false;     // the voice rendered sound in its last call
};

// The parameters of one render call, loaded once.
struct ShapeParameters {
  float frequency, cutoff, resonance, decay, accent, slide, sampleRate;
};

// A play seen by the render: restarts the envelope and latches the accent,
// unless a slide joins it to the note still sounding.
void shapeStartNote(VoiceShape& shape, const ShapeParameters& p) noexcept;
// Whether the plain one-pole loop renders this call exactly.
bool shapeIsIdle(const VoiceShape& shape, const ShapeParameters& p) noexcept;
// The resonant, enveloped, gliding render; phase and onePole are the voice's.
void shapeRender(VoiceShape& shape, const ShapeParameters& p, float& phase, float& onePole,
                 float* out, std::int32_t frameCount) noexcept;

}  // namespace quarn
