#pragma once
// The audio engine shared by all runs of a window: the voice, the sample player
// behind a varispeed stage, the stereo render of both, the output device, and the
// run flag isRunning that every interpreter thread reads before each statement.
//
// Threads: construction, start and destruction on the owning (main) thread;
// setSamplerRate, playSample, stopSampler and wait from any script thread;
// render from the audio render thread (or a test / offline renderer) only.

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "audio/SynthVoice.h"

namespace quarn {

inline constexpr double kEngineSampleRate = 44100.0;
inline constexpr int kEngineChannels = 2;

enum class AudioOutput { device, none };

class EngineManager {
public:
  // resourcesDir holds the bundled sound files (name + ".wav").
  // AudioOutput::none never opens a device: tests and `quarn run --silent`.
  explicit EngineManager(std::filesystem::path resourcesDir,
                         AudioOutput output = AudioOutput::device);
  ~EngineManager();
  EngineManager(const EngineManager&) = delete;
  EngineManager& operator=(const EngineManager&) = delete;

  const std::shared_ptr<SynthWrapper> synth;
  std::atomic<float> currentSampleRate{1.0f};
  std::atomic<bool> isRunning{false};

  // Voice off, then the device started; a missing device is swallowed silently.
  void start();
  // True once start() opened an output device; false for AudioOutput::none.
  bool hasDevice() const;
  // Stores and logs the rate as given; the rate applied is clamped to [0.25, 4].
  void setSamplerRate(float rate);
  // Decodes name + ".wav" on the calling thread and hands it to the player.
  void playSample(const std::string& name);
  // Cuts off whatever the sampler plays.
  void stopSampler();
  // The halt, as the halt button and [tb303 release] do it: isRunning false (every
  // run stops at its next statement), then the voice off, then the sampler stopped.
  void halt();
  // The one way scripts pass time ([self wait:]). NaN, zero and negative waits
  // return at once; longer ones, infinity included, are capped at kMaxWaitSeconds.
  void wait(double seconds);

  // Pulls the whole graph: the voice in channels[0] (copied to channels[1] when
  // channelCount > 1) plus the sampler in every channel. Audio thread only.
  void render(float* const* channels, int channelCount, int frameCount) noexcept;

  // Where the bundled sounds live for the running executable.
  static std::filesystem::path defaultResourcesDir();

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quarn
