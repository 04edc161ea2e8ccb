// The quarn binary in a child process, without a display: its arguments, exit
// statuses, lines and files, and running out of resources (memory, a thread for
// the run, a closed standard output). Whole-command cases under tests/scripts/cli/
// list commands as `// $ quarn ARGS`, where SCRIPT is a copy of the case file and
// DIR the folder it is in; the comment lines after one say what it gives:
// `// status: N` (0 unless given), `// out: LINE` and `// err: LINE` (each
// stream whole; USAGE stands for the usage text), `// out-bytes: N`, and what it
// wrote: `// bytes: FILE N`, `// frames: FILE N`, `// same: FILE FILE`. A failing
// command leaves DIR as it was, without even a temporary file. `// make: PATH`
// makes an empty file, or a folder when PATH ends in /.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <future>
#include <iterator>
#include <thread>

#include "audio/SampleFile.h"
#include "cli/Cli.h"
#include "cli/TestFolder.h"
#include "frontend/Parser.h"
#include "interp/Run.h"
#include "interp/WorkQueue.h"
#include "support/Diagnostics.h"
#include "support/EndOnThisThread.h"
#include "support/OutOfMemory.h"

namespace fs = std::filesystem;

namespace quarn {
namespace {

constexpr rlim_t kMiB = rlim_t{1} << 20;

struct Outcome {
  int status = 0;  // -1 when ended by a signal
  int signal = 0;
  std::string out, err;
};

std::string readAndClose(int fd) {
  std::string text = test::readFile("/dev/fd/" + std::to_string(fd));
  close(fd);
  return text;
}

// Runs the quarn binary with its address space limited (0: no limit), its
// standard output a pipe nobody reads when `closedStdout`.
Outcome runQuarn(const std::vector<std::string>& args, rlim_t addressSpace = 0, bool closedStdout = false) {
  int errPipe[2], outPipe[2];
  EXPECT_EQ(pipe(errPipe) | pipe(outPipe), 0);
  std::vector<char*> argv{const_cast<char*>("quarn")}, env;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  for (char** var = environ; *var; ++var)
    if (const std::string_view v = *var; !v.starts_with("DISPLAY=") && !v.starts_with("WAYLAND_DISPLAY=") &&
                                         !v.starts_with("QT_QPA_PLATFORM="))
      env.push_back(*var);
  argv.push_back(nullptr);
  env.push_back(nullptr);
  const std::string binary = QUARN_BINARY_DIR "/bin/quarn";
  const pid_t pid = fork();
  if (pid == 0) {  // only async-signal-safe calls until exec
    const rlimit limit{addressSpace, addressSpace};
    if (addressSpace != 0) setrlimit(RLIMIT_AS, &limit);
    dup2(errPipe[1], STDERR_FILENO);
    dup2(outPipe[1], STDOUT_FILENO);
    close(errPipe[0]);
    close(outPipe[0]);
    execve(binary.c_str(), argv.data(), env.data());
    _exit(127);
  }
  close(errPipe[1]);
  close(outPipe[1]);
  Outcome o;
  if (closedStdout) close(outPipe[0]);     // the reader is gone before the child writes
  else o.out = readAndClose(outPipe[0]);  // lines on standard error stay within the pipe's buffer
  o.err = readAndClose(errPipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (WIFSIGNALED(status)) o.signal = WTERMSIG(status);
  return o;
}

struct Command {
  std::vector<std::string> args;
  Outcome expected;
  long outBytes = -1;
  std::vector<std::string> checks;  // bytes:, frames: and same: lines
};

std::string expandNames(std::string line, const fs::path& dir, const std::string& script) {
  for (auto at = line.find("SCRIPT"); at != std::string::npos; at = line.find("SCRIPT")) line.replace(at, 6, "DIR/" + script);
  for (auto at = line.find("DIR"); at != std::string::npos; at = line.find("DIR", at + dir.string().size()))
    line.replace(at, 3, dir.string());
  return line;
}

std::vector<Command> commandsOf(const std::string& text, const fs::path& dir, const std::string& script) {
  std::vector<Command> commands;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(expandNames(line, dir, script));
    std::string slashes, marker, rest;
    words >> slashes >> marker;
    std::getline(words >> std::ws, rest);
    if (slashes != "//") continue;
    if (marker == "make:") rest.ends_with('/') ? (void)fs::create_directories(rest) : (void)std::ofstream(rest);
    if (marker == "$") {
      std::istringstream args(rest);
      commands.emplace_back().args.assign(std::istream_iterator<std::string>(args), {});
      commands.back().args.erase(commands.back().args.begin());  // the word quarn
    }
    if (commands.empty()) continue;
    Command& c = commands.back();
    if (marker == "status:") c.expected.status = std::stoi(rest);
    if (marker == "out:" || marker == "err:")
      (marker == "out:" ? c.expected.out : c.expected.err) += rest == "USAGE" ? usageText() : rest + "\n";
    if (marker == "out-bytes:") c.outBytes = std::stol(rest);
    if (marker == "bytes:" || marker == "frames:" || marker == "same:") c.checks.push_back(marker + " " + rest);
  }
  return commands;
}

void expectWritten(const std::string& check) {
  std::istringstream words(check);
  std::string marker, file, other;
  words >> marker >> file >> other;
  if (marker == "bytes:") {
    EXPECT_EQ(fs::file_size(file), std::stoull(other)) << file;
  } else if (marker == "same:") {
    EXPECT_EQ(test::readFile(file), test::readFile(other)) << file;
  } else {
    const auto sound = decodeSampleFile(file);
    EXPECT_EQ(sound ? sound->frameCount : -1, std::stol(other)) << file;
  }
}

class CliScripts : public test::TestFolder, public testing::WithParamInterface<fs::path> {};

TEST_P(CliScripts, DoAsTheCaseSays) {
  const std::string script = GetParam().filename().string();
  fs::copy_file(GetParam(), dir() / script);
  for (const Command& c : commandsOf(test::readFile(GetParam()), dir(), script)) {
    const std::string row = testing::PrintToString(c.args);
    const auto entries = [&] { return std::distance(fs::directory_iterator(dir()), {}); };
    const auto before = entries();
    Outcome o = runQuarn(c.args);
    EXPECT_EQ(o.status, c.expected.status) << row << " signal " << o.signal;
    EXPECT_EQ(o.err, c.expected.err) << row;
    if (c.outBytes < 0) {
      EXPECT_EQ(o.out, c.expected.out) << row;
    } else {
      EXPECT_TRUE(o.out.size() == size_t(c.outBytes) && o.out.starts_with("RIFF")) << row;
    }
    if (o.status != 0) {
      EXPECT_EQ(entries(), before) << row;
    }
    for (const std::string& check : c.checks) expectWritten(check);
  }
}

INSTANTIATE_TEST_SUITE_P(Scripts, CliScripts, testing::ValuesIn(test::scriptsIn("cli")), test::caseName);

// The command lines of --help, unindented, are the README's.
TEST(CliUsage, HelpAgreesWithTheReadme) {
  const Outcome o = runQuarn({"--help"});
  EXPECT_EQ(std::tuple(o.status, o.out, o.err), std::tuple(0, usageText(), ""));
  std::ifstream readme(fs::path(QUARN_TEST_DATA_DIR) / ".." / "README.md");
  std::string line;
  while (std::getline(readme, line) && line != "## The `quarn` command") {}
  while (std::getline(readme, line) && line != "```") {}
  std::vector<std::string> documented, help;
  while (std::getline(readme, line) && line != "```") documented.push_back(line);
  std::istringstream in(o.out);
  while (std::getline(in, line))
    if (line.rfind("  quarn", 0) == 0) help.push_back(line.substr(2));
  EXPECT_GE(help.size(), 5u);
  EXPECT_EQ(help, documented);
}

using CliTest = test::TestFolder;

TEST_F(CliTest, RunWithoutADeviceSaysSoOnceAndPlaysSilently) {
  if (fs::exists("/dev/snd")) GTEST_SKIP() << "this machine has a sound card";
  // no sound server either: the address leads nowhere
  setenv("PULSE_SERVER", ("unix:" + (dir() / "no-server").string()).c_str(), 1);
  const Outcome o = runQuarn({"run", scriptFile("play.quarn", "[sampler setRate:2];")});
  unsetenv("PULSE_SERVER");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "quarn: no audio device found; playing silently\n");
  EXPECT_EQ(o.out, "[VRKLog] Sampler rate set to 2.0\nEnd of all sequences.\n");
}

// Sanitizers reserve terabytes of address space and report failed allocations themselves.
#if defined(QUARN_SANITIZED)
#define SKIP_UNDER_SANITIZERS() GTEST_SKIP() << "address-space limits do not apply under sanitizers"
#else
#define SKIP_UNDER_SANITIZERS() (void)0
#endif

TEST_F(CliTest, OutOfMemoryOrNoThreadForTheRunIsOneLineAndStatusOne) {
  SKIP_UNDER_SANITIZERS();
  std::string big;
  for (int i = 0; i < 400000; ++i) big += "x = 1 + 2;\n";  // some 4 MB: far more than 200 MiB once compiled
  const std::string file = scriptFile("big.quarn", big);
  for (const auto& args : std::vector<std::vector<std::string>>{{"check", file}, {"run", "--silent", file}}) {
    const Outcome o = runQuarn(args, 200 * kMiB);
    EXPECT_EQ(o.status, 1) << args[0] << " signal " << o.signal;
    EXPECT_EQ(o.out + o.err, outOfMemoryLine("compiling the script") + "\n") << args[0];
  }
  EXPECT_EQ(runQuarn({"check", scriptFile("small.quarn", "x = 1;")}, 200 * kMiB).status, 0);
  // Room for the program, not for a worker's stack.
  static_assert(kWorkerStackBytes > 250 * kMiB);
  const Outcome o = runQuarn({"run", "--silent", scriptFile("one.quarn", "int x = 1;")}, 300 * kMiB);
  EXPECT_EQ(o.status, 1) << "signal " << o.signal;
  EXPECT_EQ(o.out + o.err, std::string(kNoThreadForRunLine) + "\n");
}

TEST_F(CliTest, ClosedStandardOutputLosesLinesNotTheRun) {
  const std::string file = scriptFile("lines.quarn", "int i = 0; while (i < 50) { [sampler setRate:1.0]; i = i + 1; }");
  for (const auto& args : std::vector<std::vector<std::string>>{{"run", "--silent", file}, {"tokens", file}}) {
    const Outcome o = runQuarn(args, 0, true);
    EXPECT_EQ(std::tuple(o.signal, o.status, o.err), std::tuple(0, 0, "")) << args[0];
  }
}

TEST(RunResources, AllocationFailureInARunStopsItWithOneLine) {
  std::vector<std::string> lines;
  setLineSink([&](std::string_view line) { lines.emplace_back(line); });
  auto engine = std::make_shared<EngineManager>(fs::path{}, AudioOutput::none);
  auto evaluator = std::make_shared<Evaluator>(engine, std::make_shared<Environment>());
  evaluator->runGuarded("running an async block", [] { throw std::bad_alloc(); });
  evaluator->runGuarded("running the script", [] { throw std::bad_alloc(); });
  setLineSink({});
  EXPECT_TRUE(evaluator->isStopped());
  EXPECT_EQ(evaluator->failure(), "quarn: out of memory while running an async block");
  EXPECT_EQ(lines, (std::vector<std::string>{"quarn: out of memory while running an async block",
                                             "quarn: out of memory while running the script"}));
}

TEST(RunResources, TheRunsEngineEndsOnTheThreadThatOwnsIt) {
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
