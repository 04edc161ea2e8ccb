// A thread's line route: its lines reach the route and standard output, and
// jobs it hands on carry the route to other threads.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/Diagnostics.h"

namespace quarn {
namespace {

struct Collected {
  LineRoute route() {
    return std::make_shared<const LineSink>([this](std::string_view line) {
      std::lock_guard guard(mutex);
      lines.emplace_back(line);
    });
  }
  std::mutex mutex;
  std::vector<std::string> lines;
};

TEST(LineRoute, FollowsTheScopeAndTheJobsItHandsOn) {
  Collected stdoutLines, first, second;
  setLineSink([&](std::string_view line) { stdoutLines.lines.emplace_back(line); });
  printLine("before");
  std::function<void()> job;
  {
    ScopedLineRoute outer(first.route());
    printLine("a");
    {
      ScopedLineRoute inner(second.route());
      printLine("b");
    }
    job = withCurrentLineRoute([] { printLine("c"); });
  }
  printLine("after");
  std::thread(job).join();
  setLineSink({});
  EXPECT_EQ(first.lines, (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(second.lines, (std::vector<std::string>{"b"}));
  EXPECT_EQ(stdoutLines.lines, (std::vector<std::string>{"before", "a", "b", "after", "c"}));
}

}  // namespace
}  // namespace quarn
