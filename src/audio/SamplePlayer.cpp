// The sampler's hand-over between threads and its varispeed render.
#include "audio/SamplePlayer.h"

#include <samplerate.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "audio/EngineLimits.h"

namespace quarn {
namespace {

constexpr int kStereo = 2;

// Published by stop(): tells the audio thread to let go of its sound. Never freed.
SampleBuffer stopCommand;

bool isRealBuffer(const SampleBuffer* buffer) {
  return buffer != nullptr && buffer != &stopCommand;
}

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

// The audio thread must be gone (device closed) before this runs.
SamplePlayer::~SamplePlayer() {
  SampleBuffer* pending = pending_.exchange(nullptr);
  if (isRealBuffer(pending)) {
    delete pending;
  }
  drainRetired();
  delete current_;
  src_delete(resampler_);
}

void SamplePlayer::play(std::unique_ptr<SampleBuffer> buffer) {
  std::lock_guard<std::mutex> guard(controlLock_);
  drainRetired();
  publish(buffer.release());
}

void SamplePlayer::stop() {
  std::lock_guard<std::mutex> guard(controlLock_);
  drainRetired();
  publish(&stopCommand);
}

void SamplePlayer::setRate(float rate) { appliedRate_.store(clampSamplerRate(rate)); }

// A command the audio thread has not picked up yet is simply replaced.
void SamplePlayer::publish(SampleBuffer* command) {
  SampleBuffer* unseen = pending_.exchange(command);
  if (isRealBuffer(unseen)) {
    delete unseen;
  }
}

void SamplePlayer::drainRetired() {
  while (SampleBuffer* buffer = retired_.pop()) {
    delete buffer;
  }
}

void SamplePlayer::pickUpCommand() noexcept {
  if (!retired_.hasRoom()) {
    return;  // try again next cycle rather than free here
  }
  SampleBuffer* command = pending_.exchange(nullptr);
  if (command == nullptr) {
    return;
  }
  if (current_ != nullptr) {
    retired_.push(current_);
  }
  current_ = isRealBuffer(command) ? command : nullptr;
  position_ = 0;
  isFinished_ = current_ == nullptr;
  src_reset(resampler_);
  if (current_ != nullptr) {
    src_set_ratio(resampler_, outputSampleRate_ / current_->sampleRate / appliedRate_.load());
  }
}

void SamplePlayer::renderAdd(float* const* channels, int channelCount, int frameCount) noexcept {
  if (frameCount < 1 || channelCount < 1) {
    return;
  }
  pickUpCommand();
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
  data.src_ratio = outputSampleRate_ / current_->sampleRate / appliedRate_.load();
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
