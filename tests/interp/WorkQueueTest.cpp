// The work queue: no job starves below the cap, FIFO beyond it, idle workers
// retire, jobs may submit jobs, errors in a job are contained, and every worker
// has the promised stack.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "interp/WorkQueue.h"
#include "support/Diagnostics.h"

namespace quarn {
namespace {

using namespace std::chrono_literals;

// A latch with a generous deadline, so a fault fails the test instead of hanging it.
class Gate {
public:
  void open() {
    std::lock_guard<std::mutex> hold(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  bool waitOpen() {
    std::unique_lock<std::mutex> hold(mutex_);
    return changed_.wait_for(hold, 30s, [this] { return open_; });
  }

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

bool eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(WorkQueueParallel, HundredJobsThatNeedEachOtherAllRun) {
  constexpr int kJobs = 100;
  std::mutex mutex;
  std::condition_variable allStarted;
  int started = 0;
  std::atomic<int> sawAll{0};
  std::atomic<int> finished{0};
  for (int i = 0; i < kJobs; ++i) {
    WorkQueue::global().submit([&] {
      std::unique_lock<std::mutex> hold(mutex);
      if (++started == kJobs) allStarted.notify_all();
      if (allStarted.wait_for(hold, 30s, [&] { return started == kJobs; })) ++sawAll;
      ++finished;
    });
  }
  ASSERT_TRUE(eventually([&] { return finished == kJobs; }));
  EXPECT_EQ(sawAll, kJobs);
}

TEST(WorkQueueParallel, AJobCanSubmitAndAwaitAnother) {
  std::promise<int> outer;
  WorkQueue::global().submit([&] {
    std::promise<int> inner;
    WorkQueue::global().submit([&] { inner.set_value(7); });
    auto result = inner.get_future();
    outer.set_value(result.wait_for(30s) == std::future_status::ready ? result.get() : -1);
  });
  EXPECT_EQ(outer.get_future().get(), 7);
}

TEST(WorkQueueCap, JobsBeyondTheCapWaitInSubmissionOrder) {
  std::vector<int> order;
  {
    WorkQueue queue(1);
    Gate gate;
    queue.submit([&] { gate.waitOpen(); });
    for (int i = 0; i < 20; ++i) queue.submit([&order, i] { order.push_back(i); });
    gate.open();
  }  // the destructor lets every job finish
  std::vector<int> expected(20);
  for (int i = 0; i < 20; ++i) expected[i] = i;
  EXPECT_EQ(order, expected);
}

TEST(WorkQueueCap, AJobStartsWhenARunningOneEnds) {
  WorkQueue queue(2);
  Gate first, second;
  std::atomic<bool> thirdRan{false};
  queue.submit([&] { first.waitOpen(); });
  queue.submit([&] { second.waitOpen(); });
  std::promise<void> third;
  queue.submit([&] {
    thirdRan = true;
    third.set_value();
  });
  EXPECT_EQ(queue.workerCount(), 2);
  first.open();
  EXPECT_EQ(third.get_future().wait_for(30s), std::future_status::ready);
  EXPECT_TRUE(thirdRan);
  second.open();
}

TEST(WorkQueueWorkers, IdleWorkersRetire) {
  WorkQueue queue(4, 20ms);
  std::promise<void> done;
  queue.submit([&] { done.set_value(); });
  done.get_future().wait();
  EXPECT_TRUE(eventually([&] { return queue.workerCount() == 0; }));
  // and a later job starts a worker again
  std::promise<void> again;
  queue.submit([&] { again.set_value(); });
  EXPECT_EQ(again.get_future().wait_for(30s), std::future_status::ready);
}

TEST(WorkQueueWorkers, EveryWorkerHasTheLargeStack) {
  std::promise<std::size_t> size;
  WorkQueue::global().submit([&] {
    pthread_attr_t attributes;
    std::size_t bytes = 0;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
      pthread_attr_getstacksize(&attributes, &bytes);
      pthread_attr_destroy(&attributes);
    }
    size.set_value(bytes);
  });
  EXPECT_GE(size.get_future().get(), kWorkerStackBytes);
}

TEST(WorkQueueWorkers, AnEscapingErrorPrintsALineAndTheQueueGoesOn) {
  std::vector<std::string> lines;
  std::mutex linesMutex;
  setLineSink([&](std::string_view line) {
    std::lock_guard<std::mutex> hold(linesMutex);
    lines.emplace_back(line);
  });
  {
    WorkQueue queue(1);
    queue.submit([] { throw std::runtime_error("boom"); });
    queue.submit([] { throw 42; });
    std::promise<void> after;
    queue.submit([&] { after.set_value(); });
    EXPECT_EQ(after.get_future().wait_for(30s), std::future_status::ready);
  }
  setLineSink({});
  EXPECT_THAT(lines, ::testing::ElementsAre("[VRKLog] A background job ended with an error: boom",
                                            "[VRKLog] A background job ended with an unknown error."));
}

}  // namespace
}  // namespace quarn
