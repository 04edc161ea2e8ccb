// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fixed bounds of the audio engine, in one place so code and tests agree.

#include <cstddef>

namespace quarn {

// [self wait:] sleeps at most a day; longer (or infinite) waits are cut to this.
inline constexpr double kMaxWaitSeconds = 24.0 * 60.0 * 60.0;

// The sampler rate that reaches the sound is kept in this range (NaN plays at
// 1.0), so no rate given by a script can stop or break the audio.
inline constexpr float kMinSamplerRate = 0.25f;
inline constexpr float kMaxSamplerRate = 4.0f;
inline constexpr float kDefaultSamplerRate = 1.0f;

// Sound files outside these sample rates are treated as unreadable: with the
// sampler rate range above they keep the resampling ratio inside what the
// varispeed stage accepts.
inline constexpr int kMinFileSampleRate = 1000;
inline constexpr int kMaxFileSampleRate = 384000;

// Frames the varispeed stage produces per step; longer render calls are done
// in steps of this size.
inline constexpr int kSamplerScratchFrames = 1024;

// What the output device is asked for per callback.
inline constexpr unsigned kDeviceBufferFrames = 256;
// Buffers of that size the sound server may hold ahead of the speaker (about
// 93 ms): what a halt still plays, and part of every change's way to the ear.
// Four (23 ms) and eight (46 ms) were heard sooner, but both let a loaded
// machine shift the click train now and then; sixteen hold it.
// The render thread runs real-time where the system allows; without that, a
// machine busy at equal standing can starve it whatever the buffer.
inline constexpr unsigned kDeviceBufferCount = 16;
// The render thread's real-time priority, when the system grants one.
inline constexpr int kDeviceThreadPriority = 60;

// How far ahead of a script thread's logical time its sound changes are
// stamped: enough for a change to reach the render thread before its frame even
// when the sound server pulls several blocks at once. `quarn run --latency MS`.
inline constexpr long long kDefaultLatencyMilliseconds = 30;
inline constexpr long long kMinLatencyMilliseconds = 0;  // 0: every change lands at the next block
inline constexpr long long kMaxLatencyMilliseconds = 2000;

// A run that ends waits for the render to pass its last change by this much
// (the voice's release), and for no longer than the change's distance plus
// kScheduledSoundPatienceMilliseconds.
inline constexpr long long kReleaseTailMilliseconds = 100;
inline constexpr long long kScheduledSoundPatienceMilliseconds = 1000;

// Sound changes on their way to the render thread: a script that sends faster
// than the render thread takes them waits for room, for at most
// kSoundQueueWaitMilliseconds (then the change is dropped with one line).
inline constexpr std::size_t kSoundEventQueueCapacity = 4096;
inline constexpr int kSoundQueueWaitMilliseconds = 1000;
// Changes the render thread holds until their frame comes.
inline constexpr std::size_t kPendingSoundEvents = 4096;
// Decoded sounds lent to the render thread at once: one per change in the queue
// or waiting for its frame, the one playing and one cut off by a halt.
inline constexpr std::size_t kSoundsInFlight = kSoundEventQueueCapacity + kPendingSoundEvents + 2;
// Decoded sounds kept for repeated plays, by total size.
inline constexpr std::size_t kSampleCacheBytes = std::size_t{64} << 20;

}  // namespace quarn
