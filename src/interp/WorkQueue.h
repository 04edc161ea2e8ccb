#pragma once
// The program's global concurrent queue. submit returns at once; jobs run in
// parallel with each other and with the submitter. Workers are started on demand
// (a job never waits while fewer than kMaxWorkers jobs run) and retire when idle;
// beyond kMaxWorkers jobs wait in submission order. Callable from any thread.

#include <cstddef>
#include <functional>

namespace quarn {

// Most jobs running at once; further jobs wait in order for a free worker.
inline constexpr int kMaxWorkers = 256;
// Stack of every worker: deep enough for the deepest tree the parser accepts
// evaluated inside the deepest chain of method calls.
inline constexpr std::size_t kWorkerStackBytes = std::size_t{256} << 20;

class WorkQueue {
public:
  static WorkQueue& global();  // never destroyed, so late jobs outlive exit safely

  void submit(std::function<void()> job);

  WorkQueue(const WorkQueue&) = delete;
  WorkQueue& operator=(const WorkQueue&) = delete;

private:
  WorkQueue();
  struct Impl;
  Impl* impl_;
};

}  // namespace quarn
