// SPDX-License-Identifier: GPL-3.0-or-later
// The interpreter's hot loops beside Lua 5.4 and Python 3 running the same
// loops on global variables, 100 loops of 10000 passes each:
//   the bare loop       `int i = 0; while (i < 10000) { i = i + 1; }`
//   a method call       the body is `[self step];`, step adds one to i
//   a tb303 send        the body sends `setCutoff:` once, then adds one to i
// Lua's references are a function call and a method call on a table.
// Reported as ns_per_pass: CPU time per body pass. The other interpreters are
// timed as whole processes (CPU time, start-up included), called by their real
// path, not through whatever shim PATH holds.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "ProcessTiming.h"
#include "audio/EngineManager.h"
#include "frontend/Parser.h"
#include "interp/Environment.h"
#include "interp/Evaluator.h"
#include "support/Diagnostics.h"

namespace {

constexpr int kRuns = 100;
constexpr double kPassesPerRun = 10000.0;

constexpr const char* kQuarnLoop = "int i = 0; while (i < 10000) { i = i + 1; }";
constexpr const char* kQuarnCallLoop =
    "- (void) step { i = i + 1; } int i = 0; while (i < 10000) { [self step]; }";
constexpr const char* kQuarnSendLoop =
    "int i = 0; while (i < 10000) { [tb303 setCutoff:0.5]; i = i + 1; }";

constexpr const char* kLuaLoop = "for r=1,100 do i=0 while i<10000 do i=i+1 end end";
constexpr const char* kLuaCallLoop =
    "function step() i=i+1 end for r=1,100 do i=0 while i<10000 do step() end end";
constexpr const char* kLuaMethodLoop =
    "tb={} function tb:setCutoff(v) self.c=v end "
    "for r=1,100 do i=0 while i<10000 do tb:setCutoff(0.5) i=i+1 end end";
constexpr const char* kPythonLoop =
    "for r in range(100):\n"
    "    i = 0\n"
    "    while i < 10000:\n"
    "        i = i + 1\n";

void setPassesCounter(benchmark::State& state, double seconds, double passes) {
  state.counters["ns_per_pass"] = seconds * 1e9 / passes;
}

void runQuarnLoop(benchmark::State& state, const char* script) {
  quarn::ParseResult parsed = quarn::parseScript(script);
  if (!parsed.ok()) {
    state.SkipWithError(parsed.error.c_str());
    return;
  }
  const quarn::Node program{quarn::NodeVariant{std::move(*parsed.program)}, {}};
  auto engine = std::make_shared<quarn::EngineManager>("/nonexistent", quarn::AudioOutput::none);
  engine->isRunning = true;
  // The loop runs into its guard (the body passes exactly 10000 times); drop that line.
  quarn::setLineSink([](std::string_view) {});
  double seconds = 0.0;
  for (auto _ : state) {
    const double start = quarn::bench::threadCpuSeconds();
    auto evaluator = std::make_shared<quarn::Evaluator>(engine, std::make_shared<quarn::Environment>());
    evaluator->execute(program);
    const double elapsed = quarn::bench::threadCpuSeconds() - start;
    state.SetIterationTime(elapsed);
    seconds += elapsed;
  }
  quarn::setLineSink({});
  setPassesCounter(state, seconds, static_cast<double>(state.iterations()) * kPassesPerRun);
}

void BM_QuarnWhileLoop(benchmark::State& state) { runQuarnLoop(state, kQuarnLoop); }
void BM_QuarnMethodCallLoop(benchmark::State& state) { runQuarnLoop(state, kQuarnCallLoop); }
void BM_QuarnTb303SendLoop(benchmark::State& state) { runQuarnLoop(state, kQuarnSendLoop); }

// One iteration: one process running all 100 loops (1e6 passes).
void runReference(benchmark::State& state, const std::string& program, const std::string& flag,
                  const char* code) {
  const double seconds = quarn::bench::timeProcessRuns(state, {quarn::bench::realProgram(program), flag, code});
  setPassesCounter(state, seconds, static_cast<double>(state.iterations()) * kRuns * kPassesPerRun);
}

void BM_Lua54WhileLoop(benchmark::State& state) { runReference(state, "/usr/bin/lua5.4", "-e", kLuaLoop); }
void BM_Lua54FunctionCallLoop(benchmark::State& state) {
  runReference(state, "/usr/bin/lua5.4", "-e", kLuaCallLoop);
}
void BM_Lua54MethodCallLoop(benchmark::State& state) {
  runReference(state, "/usr/bin/lua5.4", "-e", kLuaMethodLoop);
}
void BM_Python3WhileLoop(benchmark::State& state) { runReference(state, "/usr/bin/python3", "-c", kPythonLoop); }

}  // namespace

BENCHMARK(BM_QuarnWhileLoop)->UseManualTime()->Iterations(kRuns)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Lua54WhileLoop)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Python3WhileLoop)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuarnMethodCallLoop)->UseManualTime()->Iterations(kRuns)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Lua54FunctionCallLoop)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuarnTb303SendLoop)->UseManualTime()->Iterations(kRuns)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Lua54MethodCallLoop)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
