// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The output device: the system's default output at 44100 Hz, two
// non-interleaved float channels, pulled by the device's own real-time thread.
//
// A device can fail and come back. A stream that reports its connection lost,
// or stops pulling for kDeviceSilenceLimit, is given up with one line; the
// render is then pulled on the steady clock by the device's watcher thread (the
// sound goes nowhere) while a new stream is tried every kDeviceRetryInterval.
// Streams are closed on threads of their own: a sound server that hangs a close
// holds the owner for at most kDeviceCloseLimit.
//
// Threads: open, isPlaying and the destructor on the owning (main) thread; the
// pull function runs on one thread at a time (the stream's, or the watcher's
// while no stream plays) from a successful open until the destructor returns.
// The device code lives in a module loaded on the first open, so a process that
// never opens a device never loads the sound libraries.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>

namespace quarn {

// Fills channels[0..channelCount) with frameCount frames. Must be real-time safe.
using RenderFunction = void (*)(void* context, float* const* channels, int channelCount,
                                int frameCount) noexcept;

// A stream that pulls nothing for this long is taken as lost; one just opened
// is given kDeviceStartGrace.
inline constexpr std::chrono::milliseconds kDeviceSilenceLimit{800};
inline constexpr std::chrono::milliseconds kDeviceStartGrace{3000};
// How often the watcher looks at a playing stream.
inline constexpr std::chrono::milliseconds kDeviceWatchInterval{100};
// How often a lost device is tried again.
inline constexpr std::chrono::seconds kDeviceRetryInterval{3};
// The longest the owner waits for a stream's close.
inline constexpr std::chrono::milliseconds kDeviceCloseLimit{1000};
// Frames the watcher pulls at a time while no stream plays (about 23 ms).
inline constexpr int kSilentPullFrames = 1024;

inline constexpr std::string_view kDeviceLostMessage =
    "The sound device was lost; playing silently. Quarn tries to reconnect every few seconds.";
inline constexpr std::string_view kDeviceBackMessage = "The sound device is back; playing through it again.";

// The sound system devices play through: the PulseAudio server when one runs
// (else ALSA), or the one named by `quarn run --device`. The numbers cross into
// the device module.
enum class SoundSystem { automatic = 0, pulse = 1, alsa = 2, jack = 3 };
// For every device the process opens from then on; called before a run starts.
void chooseSoundSystem(SoundSystem system);
// The system of a --device name ("pulse", "alsa", "jack"), if it is one.
std::optional<SoundSystem> soundSystemNamed(std::string_view name);

// True once a device's close was given up on: a thread still sits inside the
// sound library, so the process must leave without its static destructors
// (std::quick_exit) rather than tear the library down under that thread.
bool deviceCloseAbandoned();

class AudioDevice {
public:
  AudioDevice(RenderFunction render, void* context);
  ~AudioDevice();  // no pull runs after it returns
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  // Opens and starts the default output. Every failure (no sound server, no
  // sound card) is swallowed without a word: the system then runs silent.
  bool open();
  // Sound reaches a device now: open, and not lost since (or back again).
  bool isPlaying() const;
  // The close lets the sound server play what it holds (within
  // kDeviceCloseLimit) instead of dropping it.
  void drainOnClose();

  struct Link;  // shared with the watcher, the streams and their closers

private:
  std::shared_ptr<Link> link_;
  std::thread watcher_;
};

}  // namespace quarn
