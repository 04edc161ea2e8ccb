// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The audio engine shared by all runs of a window: the voice, the sample player
// behind a varispeed stage, the stereo render of both, the output device, the
// clock that script threads pass time by, and the run flag isRunning that every
// interpreter thread reads before each statement.
//
// Every change to the sound is an event stamped with the render frame at which
// it applies; the render thread applies it at that exact frame. Without a render
// thread (no device, and nobody pulling the render) changes apply at once.
//
// Each halt starts a new run generation: a run remembers the generation it
// started in and is over for good once that has changed.
//
// Threads: construction, start and destruction on the owning (main) thread;
// the sound changes, halt and clock from any non-audio thread; render from the
// audio render thread (or a test / offline renderer) only.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

#include "audio/Clock.h"
#include "audio/Recorder.h"
#include "audio/SoundEvent.h"
#include "audio/SynthVoice.h"
#include "audio/TurnScheduler.h"
#include "support/SourceOffset.h"

namespace quarn {

inline constexpr int kEngineChannels = 2;

// device: the default output, when there is one. none: no device and no render
// (tests, `quarn run --silent`): changes apply at once, and render does nothing. pulled: no device, the
// caller pulls render (render tests, offline rendering).
enum class AudioOutput { device, none, pulled };

// When a sound change applies: a render frame (kSoundNow: at the next block)
// and the generation of the run that makes it (kCurrentGeneration: the run
// generation at the moment it is sent).
inline constexpr std::int64_t kSoundNow = std::numeric_limits<std::int64_t>::min();
inline constexpr std::uint64_t kCurrentGeneration = std::numeric_limits<std::uint64_t>::max();
struct SoundStamp {
  std::int64_t frame = kSoundNow;
  std::uint64_t generation = kCurrentGeneration;
};

class EngineManager {
public:
  // resourcesDir holds the bundled sound files (name + ".wav").
  // A null clock means the steady clock (or the device's, once a device runs);
  // null turns mean none: every script thread runs at once.
  explicit EngineManager(std::filesystem::path resourcesDir,
                         AudioOutput output = AudioOutput::device,
                         std::shared_ptr<Clock> clock = nullptr, std::shared_ptr<TurnScheduler> turns = nullptr);
  ~EngineManager();
  EngineManager(const EngineManager&) = delete;
  EngineManager& operator=(const EngineManager&) = delete;

  const std::shared_ptr<SynthWrapper> synth;
  std::atomic<bool> isRunning{false};

  // Voice off, then the device started; a missing device is swallowed silently.
  void start();
  // True while sound reaches an output device start() opened: false for
  // AudioOutput::none, and while a lost device is being reconnected.
  bool hasDevice() const;
  // True when blocks are rendered: by the device, or by whoever pulls them.
  bool hasRenderer() const;
  // Records the output: every block the render thread produces, as played.
  Recorder& recorder();

  // The voice: play, stop, setFrequency:, and setCutoff:, setResonance:, setDecay:,
  // setAccent:, setSlide: (callers clamp).
  void changeVoice(SoundEventKind kind, float value, SoundStamp when = {});
  // Logs the rate as given (at once); the rate applied is clamped to [0.25, 4].
  // `at` is where the script's send stands, for the line it prints.
  void setSamplerRate(float rate, SoundStamp when = {}, SourceOffset at = kNoSourceOffset);
  // Finds and decodes name + ".wav" on the calling thread (once: decoded sounds
  // are kept) and has the player start it.
  void playSample(const std::string& name, SoundStamp when = {}, SourceOffset at = kNoSourceOffset);
  // Cuts off whatever the sampler plays.
  void stopSampler(SoundStamp when = {});
  // The halt, as the halt button and [tb303 release] do it: isRunning false and a
  // new run generation (every run stops at its next statement and for good), every
  // sleeping wait woken; then at soundFrame the voice off, the sampler stopped and
  // every change of an older run still waiting dropped.
  void halt(std::int64_t soundFrame = kSoundNow);

  // The generation a run starting now belongs to.
  std::uint64_t runGeneration() const { return runGeneration_.load(); }
  // What script threads pass time by.
  Clock& clock() { return *clock_; }
  // Who lets script threads go on.
  TurnScheduler& turns() { return *turns_; }
  // How far ahead of a script thread's logical time its changes are stamped.
  std::int64_t latencyFrames() const { return latencyFrames_.load(); }
  void setLatencyFrames(std::int64_t frames) { latencyFrames_.store(frames); }
  // Frames the render has produced so far.
  std::int64_t renderedFrames() const;
  // The end of a piece: blocks until the render has passed the last change sent
  // plus the release tail (returns early on a halt, at once without a render
  // thread), and has the device play out what it holds when it closes.
  // Without this the close drops it, so that quitting is immediate.
  void playOut();
  // The level meter: while watched, the loudest output sample (before the
  // limiter: 1 or more would have clipped) since the last take.
  void watchOutput(bool isWatched);
  float takeOutputPeak();

  // Pulls the whole graph: the voice in channels[0] (copied to channels[1] when
  // channelCount > 1) plus the sampler in every channel, each change applied at
  // its frame, then the output stage (OutputStage.h). Audio thread only.
  void render(float* const* channels, int channelCount, int frameCount) noexcept;
  // Applies the changes due by the frame rendered so far without rendering on:
  // an offline render calls it while a script thread sends more changes at one
  // moment than the queue holds. Audio thread only.
  void applyDueChanges() noexcept;

  // Where the bundled sounds live for the running executable.
  static std::filesystem::path defaultResourcesDir();
  // Where this engine finds them.
  const std::filesystem::path& resourcesDir() const { return resourcesDir_; }

private:
  struct Impl;
  void send(SoundEvent event, SoundStamp when);
  void applyAtOnce(const SoundEvent& event);

  const std::filesystem::path resourcesDir_;
  std::shared_ptr<Clock> clock_;
  std::shared_ptr<TurnScheduler> turns_;
  std::atomic<std::uint64_t> runGeneration_{0};
  std::atomic<std::int64_t> latencyFrames_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quarn
