// The virtual clock's turns, driven by hand: threads due together go on in the
// order they were announced; a wakeAll ends only the stopped sleepers.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "audio/VirtualClock.h"

namespace quarn {
namespace {

// Runs the driver to the end; returns the frame of every turn it gave.
std::vector<std::int64_t> drive(VirtualClock& clock) {
  std::vector<std::int64_t> turns;
  while (const auto due = clock.nextDue()) {
    turns.push_back(*due);
    clock.resumeNext();
  }
  return turns;
}

// Announces and starts a script thread that begins at frame 0 and runs body.
std::thread scriptThread(VirtualClock& clock, std::function<void()> body) {
  clock.threadAnnounced();
  return std::thread([&clock, body = std::move(body)] {
    clock.threadBegins(0);
    body();
    clock.threadEnded();
  });
}

TEST(VirtualClock, ThreadsDueTogetherGoOnInTheOrderTheyWereAnnounced) {
  VirtualClock clock;
  std::string log;  // written only by the thread whose turn it is
  const auto never = [] { return false; };
  std::vector<std::thread> threads;
  for (char name : std::string("abcd")) {
    threads.push_back(scriptThread(clock, [&, name] {
      log += name;
      EXPECT_TRUE(clock.sleepUntil(100, never));
      log += static_cast<char>(name - 'a' + 'A');
    }));
  }
  EXPECT_EQ(drive(clock), (std::vector<std::int64_t>{0, 0, 0, 0, 100, 100, 100, 100}));
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(log, "abcdABCD");
  EXPECT_EQ(clock.currentFrame(), 100);
}

TEST(VirtualClock, WakeAllEndsTheStoppedSleepersAndTheOthersKeepTheirFrame) {
  VirtualClock clock;
  std::atomic<bool> isStopped{false};
  std::vector<bool> woke;
  std::thread stopped = scriptThread(clock, [&] { woke.push_back(clock.sleepUntil(1000, [&] { return isStopped.load(); })); });
  std::thread going = scriptThread(clock, [&] {
    woke.push_back(clock.sleepUntil(500, [] { return false; }));
    EXPECT_EQ(clock.currentFrame(), 500);
  });
  // both asleep: the first turns go to their begins
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(clock.nextDue(), 0);
    clock.resumeNext();
  }
  ASSERT_EQ(clock.nextDue(), 500);
  isStopped = true;
  clock.wakeAll();
  EXPECT_EQ(drive(clock), (std::vector<std::int64_t>{0, 0, 500}));
  stopped.join();
  going.join();
  EXPECT_EQ(woke, (std::vector<bool>{false, true}));
}

}  // namespace
}  // namespace quarn
