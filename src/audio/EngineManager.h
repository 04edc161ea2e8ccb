#pragma once
// The audio engine shared by all runs of a window: the voice, the sample player
// behind a varispeed stage, the stereo render of both, the output device, and the
// run flag isRunning that every interpreter thread reads before each statement.
// Each halt starts a new run generation: a run remembers the generation it
// started in and is over for good once that has changed.
//
// Threads: construction, start and destruction on the owning (main) thread;
// setSamplerRate, playSample, stopSampler, halt and clock from any non-audio thread;
// render from the audio render thread (or a test / offline renderer) only.

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "audio/Clock.h"
#include "audio/SynthVoice.h"

namespace quarn {

inline constexpr double kEngineSampleRate = 44100.0;
inline constexpr int kEngineChannels = 2;

enum class AudioOutput { device, none };

class EngineManager {
public:
  // resourcesDir holds the bundled sound files (name + ".wav").
  // AudioOutput::none never opens a device: tests and `quarn run --silent`.
  // A null clock means the steady clock (or the device's, once a device runs).
  explicit EngineManager(std::filesystem::path resourcesDir,
                         AudioOutput output = AudioOutput::device,
                         std::unique_ptr<Clock> clock = nullptr);
  ~EngineManager();
  EngineManager(const EngineManager&) = delete;
  EngineManager& operator=(const EngineManager&) = delete;

  const std::shared_ptr<SynthWrapper> synth;
  std::atomic<float> currentSampleRate{1.0f};
  std::atomic<bool> isRunning{false};

  // Voice off, then the device started; a missing device is swallowed silently.
  void start();
  // Stores and logs the rate as given; the rate applied is clamped to [0.25, 4].
  void setSamplerRate(float rate);
  // Decodes name + ".wav" on the calling thread and hands it to the player.
  void playSample(const std::string& name);
  // Cuts off whatever the sampler plays.
  void stopSampler();
  // The halt, as the halt button and [tb303 release] do it: isRunning false and a
  // new run generation (every run stops at its next statement and for good), every
  // sleeping wait woken, then the voice off, then the sampler stopped.
  void halt();
  // The generation a run starting now belongs to.
  std::uint64_t runGeneration() const { return runGeneration_.load(); }
  // What script threads pass time by.
  Clock& clock() { return *clock_; }

  // Pulls the whole graph: the voice in channels[0] (copied to channels[1] when
  // channelCount > 1) plus the sampler in every channel. Audio thread only.
  void render(float* const* channels, int channelCount, int frameCount) noexcept;

  // Where the bundled sounds live for the running executable.
  static std::filesystem::path defaultResourcesDir();

private:
  struct Impl;
  std::unique_ptr<Clock> clock_;
  std::atomic<std::uint64_t> runGeneration_{0};
  std::unique_ptr<Impl> impl_;
};

}  // namespace quarn
