// SPDX-License-Identifier: GPL-3.0-or-later
// Front-end throughput: lexing and parsing a generated script of about 1 MB,
// once mostly ASCII and once rich in non-ASCII names and strings; then whole
// `quarn` processes (1 MB check, start-up) beside `luac5.4 -p` on the same
// shapes, timed by CPU time; then lexing of very long runs.

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "ProcessTiming.h"
#include "frontend/Lexer.h"
#include "frontend/Parser.h"

namespace {

constexpr std::size_t kScriptBytes = 1 << 20;

// One section of realistic statements; n keeps the names apart.
std::string asciiSection(int n) {
  const std::string id = std::to_string(n);
  return "// section " + id + ": a bass line with a filter sweep\n"
         "int counter" + id + " = " + id + ";\n"
         "float freq" + id + " = 110.5 * " + id + ".0;\n"
         "const float cut" + id + " = 0.25;\n"
         "string name" + id + " = \"kick\";\n"
         "bool flag" + id + " = true && counter" + id + " > 3 || !false;\n"
         "array seq" + id + " = @[1, 2, 3, " + id + ", \"snare\", @[0.5, 0.25]];\n"
         "counter" + id + " = counter" + id + " + 1 * 2 - 3 % 4;\n"
         "/* sweep the cutoff\n   while the counter runs */\n"
         "while (counter" + id + " < 16) {\n"
         "  [tb303 setFrequency:freq" + id + " * 2.0];\n"
         "  [self wait:0.125];\n"
         "  counter" + id + " = counter" + id + " + 1;\n"
         "}\n"
         "if (counter" + id + " == 16 && flag" + id + ") {\n"
         "  [sampler play:\"kick\"];\n"
         "} else {\n"
         "  [tb303 release];\n"
         "}\n"
         "- (void) riff" + id + " {\n"
         "  [tb303 setCutoff:cut" + id + "];\n"
         "  [self wait:0.25];\n"
         "}\n"
         "async {\n"
         "  [self riff" + id + "];\n"
         "}\n";
}

// The same shapes with accented (precomposed and combining), Greek, Cyrillic
// and CJK names and strings.
std::string unicodeSection(int n) {
  const std::string id = std::to_string(n);
  return "// μέρος " + id + ": ритм и фильтр, 低音の線\n"
         "int compteur_é" + id + " = " + id + ";\n"
         "float συχνότητα" + id + " = 110.5 * " + id + ".0;\n"
         "const float срез" + id + " = 0.25;\n"
         "string 名前" + id + " = \"太鼓の音 – ドラム, cafe\u0301\";\n"
         "bool re\u0301sonance" + id + " = true && compteur_é" + id + " > 3 || !false;\n"
         "array последовательность" + id + " = @[1, 2, \"καλημέρα\", @[0.5, 0.25]];\n"
         "/* комментарий: 注释 */\n"
         "while (compteur_é" + id + " < 16) {\n"
         "  [tb303 setFrequency:συχνότητα" + id + " * 2.0];\n"
         "  [self wait:0.125];\n"
         "  compteur_é" + id + " = compteur_é" + id + " + 1;\n"
         "}\n"
         "if (compteur_é" + id + " == 16 && re\u0301sonance" + id + ") {\n"
         "  [sampler play:\"Ελληνικά_звук_音\"];\n"
         "} else {\n"
         "  [tb303 release];\n"
         "}\n"
         "- (void) мелодия" + id + " {\n"
         "  [tb303 setCutoff:срез" + id + "];\n"
         "}\n"
         "async {\n"
         "  [self мелодия" + id + "];\n"
         "}\n";
}

// The ASCII section's statements in Lua; each section is a do-block so its
// locals stay under Lua's per-function limit.
std::string luaSection(int n) {
  const std::string id = std::to_string(n);
  return "-- section " + id + ": a bass line with a filter sweep\n"
         "do\n"
         "local counter" + id + " = " + id + "\n"
         "local freq" + id + " = 110.5 * " + id + ".0\n"
         "local cut" + id + " = 0.25\n"
         "local name" + id + " = \"kick\"\n"
         "local flag" + id + " = true and counter" + id + " > 3 or not false\n"
         "local seq" + id + " = {1, 2, 3, " + id + ", \"snare\", {0.5, 0.25}}\n"
         "counter" + id + " = counter" + id + " + 1 * 2 - 3 % 4\n"
         "--[[ sweep the cutoff\n   while the counter runs ]]\n"
         "while counter" + id + " < 16 do\n"
         "  tb303:setFrequency(freq" + id + " * 2.0)\n"
         "  self:wait(0.125)\n"
         "  counter" + id + " = counter" + id + " + 1\n"
         "end\n"
         "if counter" + id + " == 16 and flag" + id + " then\n"
         "  sampler:play(\"kick\")\n"
         "else\n"
         "  tb303:release()\n"
         "end\n"
         "function riff" + id + "()\n"
         "  tb303:setCutoff(cut" + id + ")\n"
         "  self:wait(0.25)\n"
         "end\n"
         "async(function()\n"
         "  self:riff" + id + "()\n"
         "end)\n"
         "end\n";
}

template <class Section> std::string generate(Section section) {
  std::string text;
  text.reserve(kScriptBytes + 4096);
  for (int n = 0; text.size() < kScriptBytes; ++n) text += section(n);
  return text;
}

const std::string& asciiScript() {
  static const std::string text = generate(asciiSection);
  return text;
}

const std::string& unicodeScript() {
  static const std::string text = generate(unicodeSection);
  return text;
}

void lexAndParse(benchmark::State& state, const std::string& script) {
  {
    quarn::ParseResult check = quarn::parseScript(script);
    if (!check.ok()) {
      state.SkipWithError(check.error.c_str());
      return;
    }
    state.counters["statements"] = static_cast<double>(check.program->statements.size());
  }
  for (auto _ : state) {
    quarn::ParseResult result = quarn::parseScript(script);
    benchmark::DoNotOptimize(result.program);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * script.size()));
}

void BM_LexParseAscii(benchmark::State& state) { lexAndParse(state, asciiScript()); }
void BM_LexParseUnicode(benchmark::State& state) { lexAndParse(state, unicodeScript()); }

void lexOnly(benchmark::State& state, const std::string& script) {
  for (auto _ : state) {
    std::vector<quarn::Token> tokens = quarn::tokenize(script);
    benchmark::DoNotOptimize(tokens.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * script.size()));
}

void BM_LexAscii(benchmark::State& state) { lexOnly(state, asciiScript()); }
void BM_LexUnicode(benchmark::State& state) { lexOnly(state, unicodeScript()); }

// The grammar without the tree, as `quarn check` runs it, lexing included.
void checkOnly(benchmark::State& state, const std::string& script) {
  for (auto _ : state) {
    quarn::ParseResult result = quarn::checkSyntax(script);
    benchmark::DoNotOptimize(result.program);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * script.size()));
}

void BM_CheckAscii(benchmark::State& state) { checkOnly(state, asciiScript()); }
void BM_CheckUnicode(benchmark::State& state) { checkOnly(state, unicodeScript()); }

// The script written to a file for the whole-process runs.
std::string writeScript(const std::string& name, const std::string& text) {
  const std::string path = "/tmp/quarn_frontend_bench_" + name;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  return file ? path : std::string();
}

// Whole processes on a 1 MB script, CPU time (start-up included): `quarn check` beside the Lua compiler's parse-only run on a Lua
// script of the same shape and size.
void runCheckProcess(benchmark::State& state, const std::vector<std::string>& command,
                     const std::string& name, const std::string& text) {
  const std::string path = writeScript(name, text);
  if (path.empty()) {
    state.SkipWithError("cannot write the script file");
    return;
  }
  std::vector<std::string> argv = command;
  argv.push_back(path);
  quarn::bench::timeProcessRuns(state, argv);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

const std::string kQuarn = QUARN_BINARY_DIR "/bin/quarn";

void BM_QuarnCheckProcess(benchmark::State& state) {
  runCheckProcess(state, {kQuarn, "check"}, "ascii.quarn", asciiScript());
}
void BM_QuarnCheckProcessUnicode(benchmark::State& state) {
  runCheckProcess(state, {kQuarn, "check"}, "unicode.quarn", unicodeScript());
}
void BM_LuacParseReference(benchmark::State& state) {
  static const std::string lua = generate(luaSection);
  runCheckProcess(state, {quarn::bench::realProgram("/usr/bin/luac5.4"), "-p"}, "reference.lua", lua);
}

// Start-up: each command on an empty script, beside luac on an empty file.
void runStartup(benchmark::State& state, std::vector<std::string> argv) {
  const std::string path = writeScript("empty", "");
  argv.push_back(path);
  quarn::bench::timeProcessRuns(state, argv);
}
void BM_StartupQuarnTokens(benchmark::State& state) { runStartup(state, {kQuarn, "tokens"}); }
void BM_StartupQuarnCheck(benchmark::State& state) { runStartup(state, {kQuarn, "check"}); }
void BM_StartupQuarnRunSilent(benchmark::State& state) { runStartup(state, {kQuarn, "run", "--silent"}); }
void BM_StartupLuacReference(benchmark::State& state) {
  runStartup(state, {quarn::bench::realProgram("/usr/bin/luac5.4"), "-p"});
}

// Lexing must stay linear whatever the characters: a long run of non-ASCII
// text beside ASCII text of the same size, in a string literal (found by
// memchr) and in a block comment (walked character by character).
constexpr std::size_t kLongRunBytes = std::size_t{40} << 20;

void lexLongRun(benchmark::State& state, std::string_view open, std::string_view piece, std::string_view close) {
  std::string text(open);
  while (text.size() + piece.size() < kLongRunBytes) text += piece;
  text += close;
  for (auto _ : state) {
    std::vector<quarn::Token> tokens = quarn::tokenize(text);
    benchmark::DoNotOptimize(tokens.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
void BM_LexLongAsciiString(benchmark::State& state) { lexLongRun(state, "\"", "abcdefgh", "\""); }
void BM_LexLongNonAsciiString(benchmark::State& state) { lexLongRun(state, "\"", "éμж音", "\""); }
void BM_LexLongAsciiComment(benchmark::State& state) { lexLongRun(state, "/*", "abcdefgh", "*/"); }
void BM_LexLongNonAsciiComment(benchmark::State& state) { lexLongRun(state, "/*", "éμж音", "*/"); }

}  // namespace

BENCHMARK(BM_LexParseAscii)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LexParseUnicode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LexAscii)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LexUnicode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckAscii)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckUnicode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuarnCheckProcess)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuarnCheckProcessUnicode)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LuacParseReference)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupQuarnTokens)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupQuarnCheck)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupQuarnRunSilent)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupLuacReference)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LexLongAsciiString)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LexLongNonAsciiString)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LexLongAsciiComment)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LexLongNonAsciiComment)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
