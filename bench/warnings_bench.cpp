// SPDX-License-Identifier: GPL-3.0-or-later
// The warning look the window runs after a pause in typing, on a script of
// about 100 KB: the look alone (target: 5 ms at most), and parse plus look,
// which is what one pause costs the checking thread.

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "frontend/Parser.h"
#include "interp/ScriptWarnings.h"

namespace {

constexpr std::size_t kScriptBytes = 100 * 1024;

// Realistic statements, with a few of each mistake the look reports.
std::string section(int n) {
  const std::string id = std::to_string(n);
  return "// part " + id + "\n"
         "float freq" + id + " = 55.0 * " + id + ".0;\n"
         "int step" + id + " = 0;\n"
         "- (void) note" + id + " {\n"
         "  [tb303 setFrequency:freq" + id + "];\n"
         "  [tb303 play];\n"
         "  [self wait:0.125];\n"
         "}\n"
         "async {\n"
         "  while (step" + id + " < 16) {\n"
         "    [sampler play:\"kick\"];\n"
         "    [self note" + id + "];\n"
         "    if (step" + id + " % 4 == 0) { [sampler play:\"snare\"]; } else { [sampler play:\"hat\"]; }\n"
         "    step" + id + " = step" + id + " + 1;\n"
         "  }\n"
         "}\n"
         "[tb303 setCutoff:Acid];\n"
         "[tb303 setcutoff:0.5];\n"
         "[tb303 setResonance:\"high\"];\n"
         "missing" + id + " = 3;\n"
         "[self nothere" + id + "];\n"
         "[piano play];\n"
         "[sampler play:\"cowbel\"];\n";
}

std::string script() {
  std::string text;
  for (int n = 0; text.size() < kScriptBytes; ++n) text += section(n);
  return text;
}

const std::vector<std::string> kKit = {"clap", "cowbell", "hat", "kick", "openhat", "rim", "snare", "tom"};

void BM_WarningLook(benchmark::State& state) {
  const std::string text = script();
  const quarn::ParseResult parsed = quarn::parseScript(text);
  std::size_t warnings = 0;
  for (auto _ : state) {
    warnings = quarn::findScriptWarnings(*parsed.program, kKit).size();
    benchmark::DoNotOptimize(warnings);
  }
  state.counters["warnings"] = static_cast<double>(warnings);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_WarningLook)->Unit(benchmark::kMillisecond);

void BM_ParseAndWarningLook(benchmark::State& state) {
  const std::string text = script();
  for (auto _ : state) {
    const quarn::ParseResult parsed = quarn::parseScript(text);
    benchmark::DoNotOptimize(quarn::findScriptWarnings(*parsed.program, kKit).size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseAndWarningLook)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
