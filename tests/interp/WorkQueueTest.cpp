// SPDX-License-Identifier: GPL-3.0-or-later
// No job starves below the cap, FIFO beyond it, jobs submit jobs, errors stay in their job, idle workers retire.
#include <atomic>
#include <future>
#include <latch>
#include <stdexcept>

#include "InterpTestSupport.h"
#include "interp/WorkQueue.h"

namespace quarn {
namespace {

using namespace std::chrono_literals;

TEST(WorkQueueParallel, HundredJobsThatNeedEachOtherAllRun) {
  constexpr int kJobs = 100;
  static_assert(kJobs < kMaxWorkers);
  std::latch allStarted(kJobs);
  std::atomic<int> sawAll{0}, finished{0};
  for (int i = 0; i < kJobs; ++i) {
    WorkQueue::global().submit([&] {
      allStarted.count_down();
      sawAll += eventually([&] { return allStarted.try_wait(); });
      ++finished;  // last touch of the test's locals
    });
  }
  ASSERT_TRUE(eventually([&] { return finished == kJobs; }));
  EXPECT_EQ(sawAll, kJobs);
}

TEST(WorkQueueCap, JobsBeyondTheCapWaitInOrderAndAnErrorEndsOnlyItsJob) {
  std::vector<std::string> lines;
  std::vector<int> order, expected;
  setLineSink([&](std::string_view line) { lines.emplace_back(line); });  // one worker: no race
  {
    WorkQueue queue(1);
    std::promise<void> gate;
    queue.submit([opened = gate.get_future().share()] { opened.wait_for(30s); });
    queue.submit([] { throw std::runtime_error("boom"); });
    for (int i = 0; i < 20; ++i) {
      queue.submit([&order, i] { order.push_back(i); });
      expected.push_back(i);
    }
    queue.submit([] { throw 42; });
    EXPECT_EQ(queue.workerCount(), 1);
    gate.set_value();
  }  // the destructor lets every job finish
  setLineSink({});
  EXPECT_EQ(order, expected);
  EXPECT_THAT(lines, ::testing::ElementsAre("[VRKLog] A background job ended with an error: boom",
                                            "[VRKLog] A background job ended with an unknown error."));
}

TEST(WorkQueueWorkers, AJobAwaitsOneItSubmittedAndIdleWorkersRetire) {
  WorkQueue queue(4, 20ms);
  std::promise<void> inner, outer, again;
  queue.submit([&] {
    queue.submit([&] { inner.set_value(); });
    if (inner.get_future().wait_for(30s) == std::future_status::ready) outer.set_value();
  });
  EXPECT_EQ(outer.get_future().wait_for(30s), std::future_status::ready);
  EXPECT_TRUE(eventually([&] { return queue.workerCount() == 0; }));
  queue.submit([&] { again.set_value(); });  // a later job starts a worker again
  EXPECT_EQ(again.get_future().wait_for(30s), std::future_status::ready);
}

}  // namespace
}  // namespace quarn
