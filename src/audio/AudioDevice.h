#pragma once
// The output device: the system's default output at 44100 Hz, two
// non-interleaved float channels, pulled by the device's own real-time thread.
//
// Threads: open and the destructor on the owning (main) thread; the pull
// function runs on the device's audio thread from a successful open until the
// destructor returns.

#include <pthread.h>

#include <atomic>
#include <memory>

class RtAudio;

namespace quarn {

// Fills channels[0..channelCount) with frameCount frames. Must be real-time safe.
using RenderFunction = void (*)(void* context, float* const* channels, int channelCount,
                                int frameCount) noexcept;

class AudioDevice {
public:
  AudioDevice(RenderFunction render, void* context);
  ~AudioDevice();  // stops and closes the stream; no pull runs after it returns
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  // Opens and starts the default output. Every failure (no sound server, no
  // sound card) is swallowed without a word: the system then runs silent.
  bool open();
  bool isOpen() const { return rtAudio_ != nullptr; }

private:
  static int callback(void* output, void* input, unsigned frameCount, double streamTime,
                      unsigned status, void* self);
  bool openWith(int api);
  void raiseRenderPriority();

  RenderFunction render_;
  void* context_;
  std::unique_ptr<RtAudio> rtAudio_;
  pthread_t renderThread_{};  // written once by the render thread before the flag
  std::atomic<bool> hasRenderThread_{false};
};

}  // namespace quarn
