#pragma once
// The output device: the system's default output at 44100 Hz, two
// non-interleaved float channels, pulled by the device's own real-time thread.
//
// Threads: open and the destructor on the owning (main) thread; the pull
// function runs on the device's audio thread from a successful open until the
// destructor returns. The device code lives in a module loaded on the first
// open, so a process that never opens a device never loads the sound libraries.

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
  bool isOpen() const { return stream_ != nullptr; }

private:
  RenderFunction render_;
  void* context_;
  void* stream_ = nullptr;  // the module's stream, once open
};

}  // namespace quarn
