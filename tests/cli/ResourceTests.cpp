// Running out of resources ends cleanly: the quarn binary under a memory limit,
// without a thread for the run, with its standard output closed; the engine of
// a run ends on the thread that owns it.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <future>
#include <thread>

#include "cli/TestFolder.h"
#include "frontend/Parser.h"
#include "interp/Run.h"
#include "interp/WorkQueue.h"
#include "support/Diagnostics.h"
#include "support/EndOnThisThread.h"
#include "support/OutOfMemory.h"

namespace quarn {
namespace {

constexpr rlim_t kMiB = rlim_t{1} << 20;

struct Child {
  int exitStatus = -1;  // -1 when ended by a signal
  int signal = 0;
  std::string err;      // standard error and, unless closed, standard output
};

// Runs the quarn binary with its address space limited (0: no limit) and its
// standard output either shared with standard error or a pipe nobody reads.
Child runQuarnChild(const std::vector<std::string>& args, rlim_t addressSpace, bool closedStdout = false) {
  int errPipe[2], outPipe[2];
  EXPECT_EQ(pipe(errPipe), 0);
  EXPECT_EQ(pipe(outPipe), 0);
  std::vector<char*> argv{const_cast<char*>("quarn")};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const std::string binary = QUARN_BINARY_DIR "/bin/quarn";
  const pid_t pid = fork();
  if (pid == 0) {  // only async-signal-safe calls until exec
    const rlimit limit{addressSpace, addressSpace};
    if (addressSpace != 0) setrlimit(RLIMIT_AS, &limit);
    dup2(errPipe[1], STDERR_FILENO);
    dup2(closedStdout ? outPipe[1] : errPipe[1], STDOUT_FILENO);
    close(errPipe[0]);
    close(outPipe[0]);
    execv(binary.c_str(), argv.data());
    _exit(127);
  }
  close(errPipe[1]);
  close(outPipe[1]);
  close(outPipe[0]);  // the reader is gone before the child writes
  Child child;
  FILE* err = fdopen(errPipe[0], "r");
  for (int c; (c = std::fgetc(err)) != EOF;) child.err += static_cast<char>(c);
  std::fclose(err);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) child.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) child.signal = WTERMSIG(status);
  return child;
}

class ResourceLimits : public test::TestFolder {};

// Sanitizers reserve terabytes of address space and report failed allocations themselves.
#if defined(QUARN_SANITIZED)
#define SKIP_UNDER_SANITIZERS() GTEST_SKIP() << "address-space limits do not apply under sanitizers"
#else
#define SKIP_UNDER_SANITIZERS() (void)0
#endif

TEST_F(ResourceLimits, OutOfMemoryIsOneLineAndStatusOne) {
  SKIP_UNDER_SANITIZERS();
  std::string big;
  for (int i = 0; i < 400000; ++i) big += "x = 1 + 2;\n";  // some 4 MB: far more than 200 MiB once compiled
  const std::string file = scriptFile("big.quarn", big);
  Child child = runQuarnChild({"run", "--silent", file}, 200 * kMiB);
  EXPECT_EQ(child.exitStatus, 1) << "signal " << child.signal;
  EXPECT_EQ(child.err, outOfMemoryLine("compiling the script") + "\n");
  // check builds no tree, so the same script fits
  EXPECT_EQ(runQuarnChild({"check", file}, 200 * kMiB).exitStatus, 0);
}

TEST_F(ResourceLimits, NoThreadForTheRunFailsItWithStatusOne) {
  SKIP_UNDER_SANITIZERS();
  // Room for the program, not for a worker's stack.
  static_assert(kWorkerStackBytes > 250 * kMiB);
  Child child = runQuarnChild({"run", "--silent", scriptFile("one.quarn", "int x = 1;")}, 300 * kMiB);
  EXPECT_EQ(child.exitStatus, 1) << "signal " << child.signal;
  EXPECT_EQ(child.err, std::string(kNoThreadForRunLine) + "\n");
}

TEST_F(ResourceLimits, ClosedStandardOutputLosesLinesNotTheRun) {
  const std::string file = scriptFile("lines.quarn", "int i = 0; while (i < 50) { [sampler setRate:1.0]; i = i + 1; }");
  for (const auto& args : std::vector<std::vector<std::string>>{{"run", "--silent", file}, {"tokens", file}}) {
    Child child = runQuarnChild(args, 0, true);
    EXPECT_EQ(child.signal, 0) << args[0];
    EXPECT_EQ(child.exitStatus, 0) << args[0];
    EXPECT_EQ(child.err, "") << args[0];
  }
}

TEST_F(ResourceLimits, AllocationFailureInARunStopsItWithOneLine) {
  std::vector<std::string> lines;
  setLineSink([&](std::string_view line) { lines.emplace_back(line); });
  auto engine = std::make_shared<EngineManager>(std::filesystem::path{}, AudioOutput::none);
  auto evaluator = std::make_shared<Evaluator>(engine, std::make_shared<Environment>());
  evaluator->runGuarded("running an async block", [] { throw std::bad_alloc(); });
  evaluator->runGuarded("running the script", [] { throw std::bad_alloc(); });
  setLineSink({});
  EXPECT_TRUE(evaluator->isStopped());
  EXPECT_EQ(evaluator->failure(), "quarn: out of memory while running an async block");
  EXPECT_EQ(lines, (std::vector<std::string>{"quarn: out of memory while running an async block",
                                             "quarn: out of memory while running the script"}));
}

TEST(EngineOwner, TheRunsEngineEndsOnTheThreadThatOwnsIt) {
  setLineSink([](std::string_view) {});
  for (int i = 0; i < 20; ++i) {
    std::promise<std::thread::id> endedOn;
    std::shared_ptr<EngineManager> engine(new EngineManager({}, AudioOutput::none), [&](EngineManager* e) {
      delete e;
      endedOn.set_value(std::this_thread::get_id());
    });
    engine->isRunning = true;
    std::promise<std::shared_ptr<Evaluator>> topLevel;
    startRun(engine, std::move(*compile("async { int a = 1; } async { int b = 2; }").program),
             [&](std::shared_ptr<Evaluator> evaluator) { topLevel.set_value(std::move(evaluator)); });
    topLevel.get_future().get()->waitForAsyncBodies();
    endOnThisThread(std::move(engine));
    EXPECT_EQ(endedOn.get_future().get(), std::this_thread::get_id());
  }
  setLineSink({});
}

}  // namespace
}  // namespace quarn
