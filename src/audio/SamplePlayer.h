#pragma once
// The sampler: one decoded sound at a time, played through a varispeed stage
// and added into the output channels.
//
// Threads: play, stop, setRate and the destructor from any non-audio thread
// (script threads, the main thread); renderAdd from the audio render thread
// only (one caller at a time). A new sound reaches the audio thread through an
// atomic pointer exchange; sounds it lets go come back through a RetireRing and
// are freed by the next non-audio call, so the audio thread never allocates,
// frees, locks or makes a system call.

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/RetireRing.h"
#include "audio/SampleFile.h"

typedef struct SRC_STATE_tag SRC_STATE;

namespace quarn {

class SamplePlayer {
public:
  explicit SamplePlayer(double outputSampleRate);
  ~SamplePlayer();
  SamplePlayer(const SamplePlayer&) = delete;
  SamplePlayer& operator=(const SamplePlayer&) = delete;

  // Cuts off whatever plays and starts buffer from its beginning.
  void play(std::unique_ptr<SampleBuffer> buffer);
  // Cuts off whatever plays.
  void stop();
  // The playback rate heard (1.0 normal, 2.0 an octave up); clamped here.
  void setRate(float rate);
  // The clamped rate in force.
  float appliedRate() const { return appliedRate_.load(); }

  // Adds the sampler's next frameCount frames into every channel.
  void renderAdd(float* const* channels, int channelCount, int frameCount) noexcept;

private:
  void publish(SampleBuffer* command);
  void drainRetired();
  void pickUpCommand() noexcept;
  int renderStep(float* const* channels, int channelCount, int offset, int frames) noexcept;

  const double outputSampleRate_;
  std::atomic<float> appliedRate_;

  // Script side: serialises publishers and the single reader of retired_.
  std::mutex controlLock_;
  std::atomic<SampleBuffer*> pending_{nullptr};
  RetireRing<SampleBuffer, 8> retired_;

  // Audio thread only.
  SampleBuffer* current_ = nullptr;
  long position_ = 0;
  bool isFinished_ = true;
  SRC_STATE* resampler_ = nullptr;
  std::vector<float> scratch_;  // kSamplerScratchFrames stereo frames, never resized
};

// The rate applied to the sound for a rate given by a script.
float clampSamplerRate(float rate);

}  // namespace quarn
