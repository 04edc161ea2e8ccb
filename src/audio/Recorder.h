// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Records what the engine's output plays, sample for sample, to a WAV file
// (32-bit float: every sample as played) or a FLAC file (24-bit). The render
// thread hands each block to a ring set aside at the first recording; a writer
// thread of the recorder's own wakes every kRecordPollInterval, takes what the
// ring holds and writes it. The render thread never waits and never wakes
// anyone: a block that finds the ring full is lost, and counted.
//
// Threads: start, stop, progress and the destructor on one controlling
// (non-audio) thread; take on the audio render thread only.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "audio/RecordRing.h"
#include "audio/SoundFileWriter.h"

namespace quarn {

// About three seconds of sound: how long the disk may stall before blocks are lost.
inline constexpr std::size_t kRecordRingFrames = std::size_t{1} << 17;
// How often the writer thread looks for frames to write.
inline constexpr std::chrono::milliseconds kRecordPollInterval{20};
// Frames the writer thread takes from the ring per write.
inline constexpr std::size_t kRecordWriteFrames = 4096;

// The file format for a recording to `file`, by its extension; 0, with a
// sentence saying what to do in error, for anything but .wav and .flac.
int recordFileFormat(const std::filesystem::path& file, std::string& error);

struct RecordProgress {
  bool isRecording = false;
  bool hasFailed = false;        // the file takes no more: stop says why
  std::int64_t framesTaken = 0;  // handed over by the render
  std::int64_t framesLost = 0;   // in blocks that found the ring full
};

struct RecordOutcome {
  std::filesystem::path file;
  std::int64_t framesWritten = 0;  // none: the file was removed
  std::int64_t framesLost = 0;
  std::string error;  // why the file took no more (its first frames are kept), or empty
};

class Recorder {
public:
  explicit Recorder(std::size_t ringFrames = kRecordRingFrames);
  ~Recorder();  // a recording still going is stopped and its file finished
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Creates file (and its folder) and records into it from the next block on.
  bool start(const std::filesystem::path& file, std::string& error);
  // Writes what the ring still holds and finishes the file; a file that got
  // no frames at all is removed.
  RecordOutcome stop();
  RecordProgress progress() const;

  // Audio thread: the block just rendered (channel 1 may be missing: mono).
  void take(const float* const* channels, int channelCount, int frames) noexcept;

private:
  void writeLoop();
  bool writeWhatIsReady(float* block);  // 2 * kRecordWriteFrames samples

  const std::size_t ringFrames_;
  std::unique_ptr<RecordRing> ring_;  // made by the first start, kept for the next
  SoundFileWriter writer_;            // the writer thread's while it runs
  std::filesystem::path file_;
  std::thread thread_;

  std::atomic<bool> isArmed_{false};   // the render hands blocks over
  std::atomic<bool> isInside_{false};  // the render is inside take: stop waits it out
  std::atomic<bool> hasFailed_{false};
  std::atomic<std::int64_t> framesTaken_{0};  // written by the render thread only
  std::atomic<std::int64_t> framesLost_{0};   // written by the render thread only

  std::mutex mutex_;
  std::condition_variable wake_;  // stop wakes the writer; the render thread never does
  bool isStopping_ = false;       // guarded by mutex_

  std::string error_;  // the writer thread's; read by stop after it ends
};

}  // namespace quarn
