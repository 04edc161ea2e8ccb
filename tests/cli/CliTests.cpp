// SPDX-License-Identifier: GPL-3.0-or-later
// The quarn binary's help and manual page, its run without a device, and running
// out of resources.
#include <gtest/gtest.h>

#include <regex>

#include "cli/Cli.h"
#include "cli/TestFolder.h"
#include "interp/Run.h"
#include "interp/WorkQueue.h"
#include "support/Diagnostics.h"
#include "support/OutOfMemory.h"

namespace fs = std::filesystem;

namespace quarn {
namespace {

using test::Outcome;
using test::runQuarn;

constexpr rlim_t kMiB = rlim_t{1} << 20;

// The lines of `text` from the one after `first` to the one before `last`.
std::vector<std::string> linesBetween(const std::string& text, const std::string& first, const std::string& last) {
  std::istringstream in(text);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line) && line != first) {}
  while (std::getline(in, line) && line != last) lines.push_back(line);
  return lines;
}

// --help's command lines are the README's and the manual page's synopsis (fonts
// dropped, "\-" as "-"), and the page explains every option.
TEST(CliUsage, HelpReadmeAndManualPageAgree) {
  const Outcome o = runQuarn({"--help"});
  EXPECT_EQ(std::tuple(o.status, o.out, o.err), std::tuple(0, usageText(), ""));
  std::vector<std::string> usages, commands, options;
  std::istringstream help(o.out);
  for (std::string line; std::getline(help, line);) {
    if (line.starts_with("  quarn")) usages.push_back(line.substr(2));
    if (line.starts_with("  quarn")) commands.push_back(line.substr(2, line.find("  ", 2) - 2));
    if (line.starts_with("      -")) options.push_back(line.substr(6, line.find("  ", 6) - 6));
  }
  EXPECT_GE(commands.size(), 5u);
  EXPECT_GE(options.size(), 4u);
  const std::string readme = test::readFile(fs::path(QUARN_TEST_DATA_DIR) / ".." / "README.md");
  const auto afterHeading = readme.find("## The `quarn` command");
  ASSERT_NE(afterHeading, std::string::npos);
  EXPECT_EQ(linesBetween(readme.substr(readme.find("```", afterHeading)), "```", "```"), usages);
  const std::string manual = std::regex_replace(
      std::regex_replace(test::readFile(fs::path(QUARN_TEST_DATA_DIR) / ".." / "data" / "quarn.1.in"),
                         std::regex(R"(\\f[BIR])"), ""),
      std::regex(R"(\\-)"), "-");
  const auto synopsis = manual.find(".SH SYNOPSIS\n");
  ASSERT_NE(synopsis, std::string::npos);
  EXPECT_EQ(linesBetween(manual.substr(synopsis), ".nf", ".fi"), commands);
  for (const std::string& option : options)
    EXPECT_NE(manual.find("\n" + option + "\n"), std::string::npos) << option << " is not in the manual";
  const Outcome version = runQuarn({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(version.out.starts_with("quarn (Quarn Workbench) " QUARN_VERSION "\n")) << version.out;
  EXPECT_NE(version.out.find("GNU GPL version 3 or later"), std::string::npos);
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
  const Outcome compiled = runQuarn({"run", "--silent", file}, 200 * kMiB);
  EXPECT_EQ(compiled.status, 1) << "signal " << compiled.signal;
  EXPECT_EQ(compiled.out + compiled.err, outOfMemoryLine("compiling the script") + "\n");
  EXPECT_EQ(runQuarn({"check", file}, 200 * kMiB).status, 0);  // check builds no tree
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

}  // namespace
}  // namespace quarn
