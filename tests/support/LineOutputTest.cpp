// SPDX-License-Identifier: GPL-3.0-or-later
// Lines to a descriptor from many threads, and to a reader that does not read;
// a thread's line route, carried by the jobs it hands on.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/Diagnostics.h"
#include "support/LineWriter.h"

namespace quarn {
namespace {

// A pipe whose reader collects everything until the write end closes.
struct Pipe {
  Pipe() { EXPECT_EQ(::pipe(fds), 0); }
  ~Pipe() { ::close(fds[0]); }
  // Fills the pipe with empty lines, so the next write blocks until someone reads.
  void fill() {
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    while (::write(fds[1], "\n", 1) > 0) {}
    ::fcntl(fds[1], F_SETFL, 0);
  }
  void startReading() {
    reader = std::thread([this] {
      char buffer[4096];
      for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    });
  }
  // The lines read, the filler left out.
  std::vector<std::string> closeAndCollect() {
    ::close(fds[1]);
    reader.join();
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) if (!line.empty()) lines.push_back(line);
    return lines;
  }
  int fds[2];
  std::thread reader;
  std::string text;
};

TEST(LineWriter, ManyThreadsKeepWholeLinesInTheirOrder) {
  constexpr int kThreads = 8, kLinesEach = 200;
  Pipe pipe;
  pipe.startReading();
  {
    LineWriter writer(pipe.fds[1]);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        for (int i = 0; i < kLinesEach; ++i) writer.write(std::to_string(t) + " " + std::to_string(i));
      });
    for (auto& thread : threads) thread.join();
    EXPECT_TRUE(writer.flush(std::chrono::seconds(30)));
  }
  const auto lines = pipe.closeAndCollect();
  ASSERT_EQ(lines.size(), size_t{kThreads * kLinesEach});
  std::vector<int> next(kThreads, 0);
  for (const auto& line : lines) {
    int t = -1, i = -1;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d %d", &t, &i), 2) << line;
    EXPECT_EQ(i, next[t]++) << line;
  }
}

// Nobody reads: writing never blocks, the backlog stays bounded, and a notice stands where lines were dropped.
TEST(LineWriter, AStuckReaderLosesLinesNotTheCaller) {
  constexpr size_t kBacklog = 4096;
  constexpr int kLines = 100000;
  Pipe pipe;
  pipe.fill();
  {
    LineWriter writer(pipe.fds[1], kBacklog);
    for (int i = 0; i < kLines; ++i) writer.write("line " + std::to_string(i));
    EXPECT_FALSE(writer.flush(std::chrono::milliseconds(200))) << "the pipe is full";
    pipe.startReading();
    EXPECT_TRUE(writer.flush(std::chrono::seconds(30)));
  }
  int expected = 0, kept = 0, notices = 0;
  for (const std::string& line : pipe.closeAndCollect()) {
    if (int number = -1; std::sscanf(line.c_str(), "line %d", &number) == 1) {
      ASSERT_EQ(number, expected++) << "a gap without a notice";
      ++kept;
      continue;
    }
    unsigned long dropped = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "[VRKLog] Standard output fell behind: %lu", &dropped), 1) << line;
    EXPECT_EQ(line, droppedLinesNotice(dropped));
    expected += static_cast<int>(dropped), ++notices;
  }
  EXPECT_EQ(expected, kLines);
  EXPECT_GE(notices, 1);
  EXPECT_LT(kept, kLines / 10) << "the backlog is bounded";
  EXPECT_EQ(droppedLinesNotice(12), "[VRKLog] Standard output fell behind: 12 lines dropped here."
                                    " Redirect it to a file to keep every line.");
}

// Lines reach the route and standard output; a job made in the route's scope carries it to another thread.
TEST(LineRoute, FollowsTheScopeAndTheJobsItHandsOn) {
  std::vector<std::string> stdoutLines, first, second;  // the job runs while this thread waits
  const auto into = [](std::vector<std::string>& lines) {
    return std::make_shared<const RoutedLineSink>([&lines](std::string_view line, SourceOffset at) {
      lines.emplace_back(at == kNoSourceOffset ? std::string(line) : std::string(line) + "@" + std::to_string(at));
    });
  };
  setLineSink([&](std::string_view line) { stdoutLines.emplace_back(line); });
  printLine("before");
  std::function<void()> job;
  {
    ScopedLineRoute outer(into(first));
    printLine("a");
    { ScopedLineRoute inner(into(second)); printLine("b"); }
    job = withCurrentLineRoute([] { printLine("c", 7); });
  }
  printLine("after");
  std::thread(job).join();
  setLineSink({});
  EXPECT_EQ(first, (std::vector<std::string>{"a", "c@7"})) << "a place goes to the route only";
  EXPECT_EQ(second, (std::vector<std::string>{"b"}));
  EXPECT_EQ(stdoutLines, (std::vector<std::string>{"before", "a", "b", "after", "c"}));
}

}  // namespace
}  // namespace quarn
