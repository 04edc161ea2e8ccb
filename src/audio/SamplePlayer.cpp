// SPDX-License-Identifier: GPL-3.0-or-later
// The sampler: starting and cutting off sounds, and its varispeed render.
#include "audio/SamplePlayer.h"

#include <samplerate.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "audio/EngineLimits.h"

namespace quarn {
namespace {

constexpr int kStereo = 2;

}  // namespace

float clampSamplerRate(float rate) {
  if (std::isnan(rate)) {
    return kDefaultSamplerRate;
  }
  return std::fmin(std::fmax(rate, kMinSamplerRate), kMaxSamplerRate);
}

SamplePlayer::SamplePlayer(double outputSampleRate)
    : outputSampleRate_(outputSampleRate),
      appliedRate_(kDefaultSamplerRate),
      scratch_(static_cast<std::size_t>(kSamplerScratchFrames * kStereo), 0.0f) {
  int error = 0;
  resampler_ = src_new(SRC_SINC_FASTEST, kStereo, &error);
  if (resampler_ == nullptr) {
    std::fprintf(stderr, "quarn: the sampler's varispeed stage could not be created: %s\n",
                 src_strerror(error));
    std::abort();
  }
}

SamplePlayer::~SamplePlayer() { src_delete(resampler_); }

const SampleBuffer* SamplePlayer::start(const SampleBuffer* sound) noexcept {
  const SampleBuffer* previous = current_;
  current_ = sound;
  position_ = 0;
  isFinished_ = current_ == nullptr;
  src_reset(resampler_);
  if (current_ != nullptr) {
    src_set_ratio(resampler_, outputSampleRate_ / current_->sampleRate / appliedRate_);
  }
  return previous;
}

void SamplePlayer::setRate(float rate) noexcept { appliedRate_ = clampSamplerRate(rate); }

void SamplePlayer::renderAdd(float* const* channels, int channelCount, int frameCount) noexcept {
  if (frameCount < 1 || channelCount < 1) {
    return;
  }
  int done = 0;
  while (done < frameCount && !isFinished_) {
    const int step = frameCount - done < kSamplerScratchFrames ? frameCount - done
                                                                : kSamplerScratchFrames;
    done += renderStep(channels, channelCount, done, step);
  }
}

// Resamples up to `frames` frames into the scratch buffer and adds them at
// `offset`; returns how many were produced.
int SamplePlayer::renderStep(float* const* channels, int channelCount, int offset,
                             int frames) noexcept {
  SRC_DATA data{};
  data.data_in = current_->samples.data() + position_ * kStereo;
  data.input_frames = current_->frameCount - position_;
  data.data_out = scratch_.data();
  data.output_frames = frames;
  data.end_of_input = 1;  // the rest of the sound is always all there
  data.src_ratio = outputSampleRate_ / current_->sampleRate / appliedRate_;
  if (src_process(resampler_, &data) != 0 ||
      (data.output_frames_gen == 0 && data.input_frames_used == 0)) {
    isFinished_ = true;
    return 0;
  }
  position_ += data.input_frames_used;
  const int produced = static_cast<int>(data.output_frames_gen);
  for (int channel = 0; channel < channelCount; ++channel) {
    float* out = channels[channel];
    if (out == nullptr) {
      continue;
    }
    const float* in = scratch_.data() + (channel == 0 ? 0 : 1);
    for (int i = 0; i < produced; ++i) {
      out[offset + i] += in[i * kStereo];
    }
  }
  return produced;
}

}  // namespace quarn
