// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/Recorder.h"

#include <cctype>
#include <system_error>
#include <vector>

namespace quarn {

int recordFileFormat(const std::filesystem::path& file, std::string& error) {
  std::string extension = file.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // WAV keeps every sample as played; FLAC holds 24-bit samples at most
  if (extension == ".wav") return soundFileFormat(extension, "float", error);
  if (extension == ".flac") return soundFileFormat(extension, "24", error);
  error = "a recording goes to a .wav or .flac file; choose a name ending in one of them";
  return 0;
}

Recorder::Recorder(std::size_t ringFrames) : ringFrames_(ringFrames) {}

Recorder::~Recorder() {
  if (thread_.joinable()) stop();
}

bool Recorder::start(const std::filesystem::path& file, std::string& error) {
  if (thread_.joinable()) {
    error = "a recording is already going; stop it first";
    return false;
  }
  const int format = recordFileFormat(file, error);
  if (format == 0) return false;
  std::error_code ignored;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ignored);
  if (!writer_.open(file, format, error)) return false;
  writer_.keepHeaderCurrent();
  if (!ring_) ring_ = std::make_unique<RecordRing>(ringFrames_);
  ring_->clear();  // nothing pushes while not armed
  file_ = file;
  error_.clear();
  isStopping_ = false;
  hasFailed_.store(false);
  framesTaken_.store(0);
  framesLost_.store(0);
  try {
    thread_ = std::thread([this] { writeLoop(); });
  } catch (const std::system_error& failure) {
    std::string closing;
    writer_.close(closing);
    std::filesystem::remove(file, ignored);
    error = failure.what();
    return false;
  }
  isArmed_.store(true);
  return true;
}

// The render may be inside take with the old flag: once it is out, nothing
// more reaches the ring, and the writer takes the rest.
RecordOutcome Recorder::stop() {
  if (!thread_.joinable()) return {};
  isArmed_.store(false);
  while (isInside_.load()) std::this_thread::yield();
  {
    std::lock_guard hold(mutex_);
    isStopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
  std::string closing;
  if (!writer_.close(closing) && error_.empty()) error_ = closing;
  if (writer_.framesWritten() == 0) {
    std::error_code ignored;  // an empty FLAC file is not even readable
    std::filesystem::remove(file_, ignored);
  }
  return {file_, writer_.framesWritten(), framesLost_.load(), error_};
}

RecordProgress Recorder::progress() const {
  return {thread_.joinable(), hasFailed_.load(), framesTaken_.load(), framesLost_.load()};
}

// Flag, then check: stop clears the check, then waits for the flag to fall
// (both sequentially consistent, so one of the two sees the other).
void Recorder::take(const float* const* channels, int channelCount, int frames) noexcept {
  if (!isArmed_.load(std::memory_order_relaxed) || frames < 1) return;
  isInside_.store(true);
  if (isArmed_.load()) {
    const float* right = channelCount > 1 && channels[1] != nullptr ? channels[1] : channels[0];
    std::atomic<std::int64_t>& count = ring_->push(channels[0], right, frames) ? framesTaken_ : framesLost_;
    count.store(count.load(std::memory_order_relaxed) + frames, std::memory_order_relaxed);
  }
  isInside_.store(false);
}

void Recorder::writeLoop() {
  std::vector<float> block(2 * kRecordWriteFrames);
  std::unique_lock hold(mutex_);
  while (true) {
    const bool isLast = isStopping_;
    hold.unlock();
    if (!writeWhatIsReady(block.data()) || isLast) return;
    hold.lock();
    wake_.wait_for(hold, kRecordPollInterval, [this] { return isStopping_; });
  }
}

// A file that takes no more ends the recording: the render stops handing over.
bool Recorder::writeWhatIsReady(float* block) {
  while (const std::size_t frames = ring_->pop(block, kRecordWriteFrames)) {
    if (!writer_.write(block, static_cast<long>(frames), error_)) {
      isArmed_.store(false);
      hasFailed_.store(true);
      return false;
    }
  }
  return true;
}

}  // namespace quarn
