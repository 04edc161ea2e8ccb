#include "support/LineWriter.h"

#include <cerrno>
#include <csignal>
#include <pthread.h>
#include <unistd.h>

namespace quarn {
namespace {

// A reader that went away makes write fail with EPIPE; the line is lost, never the program.
void writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

// SIGPIPE would end the whole process when the reader closes; blocked, write reports EPIPE.
void blockBrokenPipeSignal() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

}  // namespace

std::string droppedLinesNotice(std::uint64_t count) {
  return "[VRKLog] Standard output fell behind: " + std::to_string(count) +
         " lines dropped here. Redirect it to a file to keep every line.";
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
  std::string line;
  line.reserve(text.size() + 1);
  line.append(text);
  line.push_back('\n');
  {
    std::lock_guard<std::mutex> hold(mutex_);
    // an empty backlog takes any line, so a long line alone is never dropped
    if (!lines_.empty() && queuedBytes_ + line.size() > backlogBytes_) {
      ++dropped_;
      return;
    }
    queuedBytes_ += line.size();
    lines_.push_back(std::move(line));
  }
  linesQueued_.notify_one();
}

bool LineWriter::flush(std::chrono::milliseconds patience) {
  std::unique_lock<std::mutex> hold(mutex_);
  for (;;) {
    if (lines_.empty() && !isWriting_ && dropped_ == 0) return true;
    const std::uint64_t before = batchesWritten_;
    if (!progress_.wait_for(hold, patience, [&] { return batchesWritten_ != before; })) return false;
  }
}

void LineWriter::run() {
  blockBrokenPipeSignal();
  std::unique_lock<std::mutex> hold(mutex_);
  for (;;) {
    linesQueued_.wait(hold, [this] { return !lines_.empty() || dropped_ > 0 || isStopping_; });
    if (lines_.empty() && dropped_ == 0) return;  // stopping with nothing left
    std::string batch;
    for (const std::string& line : lines_) batch += line;
    lines_.clear();
    queuedBytes_ = 0;
    if (dropped_ > 0) batch += droppedLinesNotice(dropped_) + "\n";
    dropped_ = 0;
    isWriting_ = true;
    hold.unlock();
    writeAll(fd_, batch.data(), batch.size());  // one write per batch keeps lines whole
    hold.lock();
    isWriting_ = false;
    ++batchesWritten_;
    progress_.notify_all();
  }
}

}  // namespace quarn
