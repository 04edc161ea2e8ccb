// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/LineWriter.h"

#include <csignal>
#include <pthread.h>
#include <unistd.h>

#include "support/Diagnostics.h"
#include "support/WriteAll.h"

namespace quarn {
namespace {

// SIGPIPE would end the whole process when the reader closes; blocked, write reports EPIPE.
void blockBrokenPipeSignal() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

}  // namespace

std::string droppedLinesNotice(std::uint64_t count) {
  return logLine("Standard output fell behind: ", std::to_string(count),
                 " lines dropped here. Redirect it to a file to keep every line.");
}

LineWriter::LineWriter(int fd, std::size_t backlogBytes)
    : fd_(fd), backlogBytes_(backlogBytes), thread_([this] { run(); }) {}

LineWriter::~LineWriter() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    isStopping_ = true;
  }
  linesQueued_.notify_all();
  thread_.join();
}

void LineWriter::write(std::string_view text) {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    // an empty backlog takes any line, so a long line alone is never dropped
    if (!pending_.empty() && pending_.size() + text.size() + 1 > backlogBytes_) {
      ++dropped_;
      return;
    }
    pending_.append(text);
    pending_.push_back('\n');
  }
  linesQueued_.notify_one();
}

bool LineWriter::flush(std::chrono::milliseconds patience) {
  std::unique_lock<std::mutex> hold(mutex_);
  for (;;) {
    if (pending_.empty() && !isWriting_ && dropped_ == 0) return true;
    const std::uint64_t before = batchesWritten_;
    if (!progress_.wait_for(hold, patience, [&] { return batchesWritten_ != before; })) return false;
  }
}

// The backlog is taken whole by a swap, so callers wait on the lock for no
// more than that; the two buffers then take turns without new allocations.
void LineWriter::run() {
  blockBrokenPipeSignal();
  std::string batch;
  std::unique_lock<std::mutex> hold(mutex_);
  for (;;) {
    linesQueued_.wait(hold, [this] { return !pending_.empty() || dropped_ > 0 || isStopping_; });
    if (pending_.empty() && dropped_ == 0) return;  // stopping with nothing left
    batch.clear();
    batch.swap(pending_);
    const std::uint64_t dropped = dropped_;
    dropped_ = 0;
    isWriting_ = true;
    hold.unlock();
    if (dropped > 0) batch += droppedLinesNotice(dropped) + "\n";
    // One write per batch keeps lines whole; a reader that went away (EPIPE)
    // loses the lines, never the program.
    writeAll(fd_, batch.data(), batch.size());
    hold.lock();
    isWriting_ = false;
    ++batchesWritten_;
    progress_.notify_all();
  }
}

}  // namespace quarn
