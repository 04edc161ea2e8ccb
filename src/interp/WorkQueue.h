// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's global concurrent queue. submit returns at once; jobs run in
// parallel with each other and with the submitter. Workers are started on demand
// (a job never waits while fewer than the cap of jobs run) and retire when idle;
// beyond the cap jobs wait in submission order. Every worker has a stack of
// kWorkerStackBytes. A job that finds no worker because none can be started
// (thread or memory limits) waits while another worker lives, and is refused
// when none does. All operations may be called from any thread, jobs included.

#include <chrono>
#include <cstddef>
#include <functional>

namespace quarn {

// Most jobs running at once; further jobs wait in order for a free worker.
inline constexpr int kMaxWorkers = 256;
// Stack of every worker: deep enough for the deepest tree the parser accepts
// evaluated inside the deepest chain of method calls. Only virtual memory: pages
// are touched only as deep as a job really goes.
inline constexpr std::size_t kWorkerStackBytes = std::size_t{256} << 20;
// A worker with nothing to do for this long ends its thread.
inline constexpr std::chrono::milliseconds kWorkerIdleTimeout{2000};

class WorkQueue {
public:
  static WorkQueue& global();  // never destroyed, so late jobs outlive exit safely

  // A private queue (tests): at most maxWorkers jobs at once.
  explicit WorkQueue(int maxWorkers, std::chrono::milliseconds idleTimeout = kWorkerIdleTimeout);
  // Lets every submitted job finish and every worker end.
  ~WorkQueue();

  // Queues job. Returns false, and drops the job, only when no worker could be
  // started for it and none is alive to take it later; the caller reports that.
  bool submit(std::function<void()> job);

  // Worker threads alive now, busy or idle.
  int workerCount() const;

  WorkQueue(const WorkQueue&) = delete;
  WorkQueue& operator=(const WorkQueue&) = delete;

private:
  struct Impl;
  Impl* impl_;
};

}  // namespace quarn
