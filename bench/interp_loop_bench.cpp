// The interpreter's hot loop beside Lua 5.4 and Python 3 running the same loop
// on a global variable: `int i = 0; while (i < 10000) { i = i + 1; }` 100 times.
// Reported as ns_per_pass: wall time per body pass (condition, add, assign).
// The other interpreters are timed as whole processes, start-up included.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "audio/EngineManager.h"
#include "frontend/Parser.h"
#include "interp/Environment.h"
#include "interp/Evaluator.h"
#include "support/Diagnostics.h"

extern char** environ;

namespace {

constexpr int kRuns = 100;
constexpr double kPassesPerRun = 10000.0;

constexpr const char* kQuarnLoop = "int i = 0; while (i < 10000) { i = i + 1; }";
constexpr const char* kLuaLoop = "for r=1,100 do i=0 while i<10000 do i=i+1 end end";
constexpr const char* kPythonLoop =
    "for r in range(100):\n"
    "    i = 0\n"
    "    while i < 10000:\n"
    "        i = i + 1\n";

void setPassesCounter(benchmark::State& state, double seconds, double passes) {
  state.counters["ns_per_pass"] = seconds * 1e9 / passes;
}

void BM_QuarnWhileLoop(benchmark::State& state) {
  quarn::ParseResult parsed = quarn::compile(kQuarnLoop);
  if (!parsed.ok()) {
    state.SkipWithError(parsed.error.c_str());
    return;
  }
  const quarn::Node program{quarn::NodeVariant{std::move(*parsed.program)}};
  auto engine = std::make_shared<quarn::EngineManager>("/nonexistent", quarn::AudioOutput::none);
  engine->isRunning = true;
  // The loop runs into its guard (the body passes exactly 10000 times); drop that line.
  quarn::setLineSink([](std::string_view) {});
  double seconds = 0.0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    auto evaluator = std::make_shared<quarn::Evaluator>(engine, std::make_shared<quarn::Environment>());
    evaluator->execute(program);
    const auto end = std::chrono::steady_clock::now();
    seconds += std::chrono::duration<double>(end - start).count();
  }
  quarn::setLineSink({});
  setPassesCounter(state, seconds, static_cast<double>(state.iterations()) * kPassesPerRun);
}
BENCHMARK(BM_QuarnWhileLoop)->Iterations(kRuns)->Unit(benchmark::kMicrosecond);

// Wall time of one run of the command; negative when it cannot be run.
double timeProcess(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  if (posix_spawnp(&child, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1.0;
  int status = 0;
  waitpid(child, &status, 0);
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1.0;
  return std::chrono::duration<double>(end - start).count();
}

// One iteration: one process running all 100 loops (1e6 passes).
void runProcessBench(benchmark::State& state, const std::vector<std::string>& argv) {
  double seconds = 0.0;
  for (auto _ : state) {
    const double elapsed = timeProcess(argv);
    if (elapsed < 0.0) {
      state.SkipWithError(("could not run " + argv[0]).c_str());
      return;
    }
    state.SetIterationTime(elapsed);
    seconds += elapsed;
  }
  setPassesCounter(state, seconds, static_cast<double>(state.iterations()) * kRuns * kPassesPerRun);
}

void BM_Lua54WhileLoop(benchmark::State& state) { runProcessBench(state, {"lua5.4", "-e", kLuaLoop}); }
BENCHMARK(BM_Lua54WhileLoop)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_Python3WhileLoop(benchmark::State& state) { runProcessBench(state, {"python3", "-c", kPythonLoop}); }
BENCHMARK(BM_Python3WhileLoop)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
