// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Console lines from the threads of runs to the window, in the order they were
// printed, each tagged with the run it belongs to. Pushing only queues the line
// under a short lock; the window takes the lines in batches on the main thread,
// at most once per kConsoleBatchInterval, so a flood of lines costs it one
// append per batch. The queue keeps at most kConsoleHistoryLines lines (the
// console shows no more), dropping the oldest.
//
// The runs hold the feed (shared), never the window: once the window detaches,
// lines are dropped, and a delivery already posted is discarded by Qt with its
// receiver.
// Threads: push from any thread; construction, take and detach on the main thread.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "support/SourceOffset.h"

class QObject;

namespace quarn {

inline constexpr std::chrono::milliseconds kConsoleBatchInterval{30};

struct ConsoleLine {
  std::uint64_t runId = 0;
  std::string text;
  SourceOffset at = kNoSourceOffset;  // where the statement that printed it stands
};

struct ConsoleBatch {
  std::vector<ConsoleLine> lines;       // oldest first
  std::vector<std::uint64_t> endedRuns;  // runs whose threads are all done
};

class ConsoleFeed {
public:
  // onLines runs on receiver's (main) thread, only while receiver lives.
  ConsoleFeed(QObject* receiver, std::size_t maxLines, std::function<void()> onLines);
  ConsoleFeed(const ConsoleFeed&) = delete;
  ConsoleFeed& operator=(const ConsoleFeed&) = delete;

  void push(ConsoleLine line);
  void pushRunEnd(std::uint64_t runId);
  // Everything pushed so far; the next push posts a delivery again.
  ConsoleBatch take();
  // Called by the receiver before it goes; later lines are dropped.
  void detach();

private:
  std::mutex mutex_;
  QObject* receiver_;  // null once detached; guarded by mutex_
  const std::size_t maxLines_;
  const std::function<void()> onLines_;
  void postDeliveryLocked();

  std::deque<ConsoleLine> lines_;           // guarded by mutex_
  std::vector<std::uint64_t> endedRuns_;    // guarded by mutex_
  bool isDeliveryPosted_ = false;           // guarded by mutex_
};

}  // namespace quarn
