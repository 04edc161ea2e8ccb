// SPDX-License-Identifier: GPL-3.0-or-later
#include "interp/WorkQueue.h"

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>

#include "support/Diagnostics.h"

namespace quarn {

struct WorkQueue::Impl {
  Impl(int cap, std::chrono::milliseconds idle) : maxWorkers(cap), idleTimeout(idle) {}

  const int maxWorkers;
  const std::chrono::milliseconds idleTimeout;

  std::mutex mutex;
  std::condition_variable jobArrived;   // idle workers wait here
  std::condition_variable workersGone;  // the destructor waits here
  std::deque<std::function<void()>> jobs;  // FIFO of jobs no worker has taken
  int workers = 0;      // threads alive
  int idleWorkers = 0;  // threads waiting for a job
  bool stopping = false;

  static void* workerEntry(void* impl);
  // Returns false if the thread could not be started.
  bool startWorkerLocked();
  void workerLoop();
  // Takes the next job, or returns false when this worker should end.
  bool nextJob(std::unique_lock<std::mutex>& hold, std::function<void()>& job);
};

namespace {

void runJob(std::function<void()>& job) {
  try {
    job();
  } catch (const std::exception& error) {
    printLine(logLine("A background job ended with an error: ", error.what()));
  } catch (...) {
    printLine(logLine("A background job ended with an unknown error."));
  }
}

}  // namespace

void* WorkQueue::Impl::workerEntry(void* impl) {
  static_cast<Impl*>(impl)->workerLoop();
  return nullptr;
}

bool WorkQueue::Impl::startWorkerLocked() {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, kWorkerStackBytes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  pthread_t thread;
  const int failure = pthread_create(&thread, &attributes, workerEntry, this);
  pthread_attr_destroy(&attributes);
  if (failure != 0) {
    return false;
  }
  ++workers;
  return true;
}

bool WorkQueue::Impl::nextJob(std::unique_lock<std::mutex>& hold, std::function<void()>& job) {
  if (jobs.empty() && !stopping) {
    ++idleWorkers;
    jobArrived.wait_for(hold, idleTimeout, [this] { return !jobs.empty() || stopping; });
    --idleWorkers;
  }
  if (jobs.empty()) {
    return false;
  }
  job = std::move(jobs.front());
  jobs.pop_front();
  return true;
}

void WorkQueue::Impl::workerLoop() {
  std::unique_lock<std::mutex> hold(mutex);
  std::function<void()> job;
  while (nextJob(hold, job)) {
    hold.unlock();
    runJob(job);
    job = nullptr;  // whatever the job held is released outside the lock
    hold.lock();
  }
  if (--workers == 0) {
    workersGone.notify_all();
  }
}

WorkQueue& WorkQueue::global() {
  static WorkQueue* const queue = new WorkQueue(kMaxWorkers);
  return *queue;
}

WorkQueue::WorkQueue(int maxWorkers, std::chrono::milliseconds idleTimeout)
    : impl_(new Impl(maxWorkers < 1 ? 1 : maxWorkers, idleTimeout)) {}

WorkQueue::~WorkQueue() {
  {
    std::unique_lock<std::mutex> hold(impl_->mutex);
    impl_->stopping = true;
    impl_->jobArrived.notify_all();
    impl_->workersGone.wait(hold, [this] { return impl_->workers == 0; });
  }
  delete impl_;
}

bool WorkQueue::submit(std::function<void()> job) {
  job = withCurrentLineRoute(std::move(job));  // a run's lines follow its jobs
  std::unique_lock<std::mutex> hold(impl_->mutex);
  impl_->jobs.push_back(std::move(job));
  // Idle workers already woken count as idle until they take a job, so a new
  // worker starts whenever the queued jobs outnumber them.
  if (static_cast<std::size_t>(impl_->idleWorkers) >= impl_->jobs.size()) {
    impl_->jobArrived.notify_one();
    return true;
  }
  if (impl_->workers >= impl_->maxWorkers || impl_->startWorkerLocked()) {
    return true;
  }
  if (impl_->workers > 0) {
    printLine(logLine("Work queue: could not start a worker thread; the job waits for a free one."));
    return true;
  }
  // Workers end only when the queue is empty, so with none alive this job is
  // the only one queued. Whatever it holds is released outside the lock.
  job = std::move(impl_->jobs.back());
  impl_->jobs.pop_back();
  hold.unlock();
  job = nullptr;
  return false;
}

int WorkQueue::workerCount() const {
  std::lock_guard<std::mutex> hold(impl_->mutex);
  return impl_->workers;
}

}  // namespace quarn
