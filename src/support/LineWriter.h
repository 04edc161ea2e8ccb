// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole lines to a file descriptor from a thread of its own, so that no caller
// ever waits on a slow or stuck reader. The backlog is bounded: once it is full,
// further lines are dropped (counted, and reported by one notice line when the
// reader catches up) instead of growing memory or blocking the caller.
//
// Threads: write and flush from any thread; the writer thread is private.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace quarn {

// Bytes of lines waiting for the reader before lines are dropped.
inline constexpr std::size_t kLineBacklogBytes = std::size_t{1} << 20;

// The notice written where lines were dropped.
std::string droppedLinesNotice(std::uint64_t count);

class LineWriter {
public:
  explicit LineWriter(int fd, std::size_t backlogBytes = kLineBacklogBytes);
  // Waits for the writer thread, which must not be stuck on a reader that never reads.
  ~LineWriter();
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Queues text and a newline; never blocks on the descriptor.
  void write(std::string_view text);
  // Waits until every queued line is written, or until the reader made no
  // progress for patience. Returns true when everything was written.
  bool flush(std::chrono::milliseconds patience);

private:
  void run();

  const int fd_;
  const std::size_t backlogBytes_;
  std::mutex mutex_;
  std::condition_variable linesQueued_;
  std::condition_variable progress_;
  std::string pending_;            // whole lines, each ending with '\n'; guarded by mutex_
  std::uint64_t dropped_ = 0;      // since the last notice; guarded by mutex_
  std::uint64_t batchesWritten_ = 0;
  bool isWriting_ = false;
  bool isStopping_ = false;
  std::thread thread_;
};

}  // namespace quarn
