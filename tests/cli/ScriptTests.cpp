// Whole-script cases under tests/scripts/, run through the same code as the
// quarn subcommands:
//   tokens/NAME.quarn  with NAME.tokens: the exact output of `quarn tokens`
//   check/NAME.quarn   with NAME.error: the parse error (no .error: must parse)
//   run/NAME.quarn     with `// expect: LINE` comments: the standard output of
//                      `quarn run --silent`, in order; "End of all sequences." is
//                      expected last unless an expect comment places it.
//   render/NAME.quarn  rendered to a float WAV; the same expect comments, and
//                      what the audio holds: `// onsets: F F …` (the frames where
//                      sound starts), `// sound: FROM TO` (each stretch of sound),
//                      `// frequency: HZ` (of the first stretch), `// frames: N`
//                      (the whole length); `// seconds: N` renders N seconds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/RenderAnalysis.h"
#include "cli/RenderCommand.h"
#include "cli/TestFolder.h"
#include "support/Diagnostics.h"

namespace fs = std::filesystem;
using namespace quarn;
using test::readFile;

namespace {

const fs::path kScriptsDir = fs::path(QUARN_TEST_DATA_DIR) / "scripts";
const fs::path kSamplesDir = fs::path(QUARN_BINARY_DIR) / "share" / "quarn" / "samples";

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<fs::path> scriptsIn(const std::string& folder) {
  std::vector<fs::path> scripts;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(kScriptsDir / folder, ec))
    if (entry.path().extension() == ".quarn") scripts.push_back(entry.path());
  std::sort(scripts.begin(), scripts.end());
  return scripts;
}

std::string caseName(const testing::TestParamInfo<fs::path>& info) {
  std::string name = info.param.stem().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

// The lines a command prints; it must succeed.
std::vector<std::string> linesPrintedBy(const std::function<int(std::ostream& err)>& command) {
  std::vector<std::string> lines;
  setLineSink([&](std::string_view line) { lines.emplace_back(line); });
  std::ostringstream err;
  EXPECT_EQ(command(err), 0) << err.str();
  setLineSink({});
  return lines;
}

// The rest of each line after `marker`, in order.
std::vector<std::string> textsAfter(const std::string& script, const std::string& marker) {
  std::vector<std::string> texts;
  for (const std::string& line : linesOf(script)) {
    auto at = line.find(marker);
    if (at == std::string::npos) continue;
    texts.push_back(line.substr(at + marker.size()));
    if (!texts.back().empty() && texts.back().back() == '\r') texts.back().pop_back();
  }
  return texts;
}

std::vector<std::string> expectedRunLines(const std::string& script) {
  std::vector<std::string> expected = textsAfter(script, "// expect: ");
  if (std::find(expected.begin(), expected.end(), "End of all sequences.") == expected.end())
    expected.push_back("End of all sequences.");
  return expected;
}

// Every number after `marker` on the script's comment lines, in order.
std::vector<double> numbersAfter(const std::string& script, const std::string& marker) {
  std::vector<double> numbers;
  for (const std::string& text : textsAfter(script, marker)) {
    std::istringstream words(text);
    for (double number; words >> number;) numbers.push_back(number);
  }
  return numbers;
}

// The facts about the sound that the script's comments name; the others are not checked.
void expectSoundAsTheScriptSays(const std::string& script, const std::vector<float>& samples) {
  const std::vector<test::Span> spans = test::spansOf(samples);
  std::vector<double> onsets, bounds;
  for (const auto& [from, to] : spans) {
    onsets.push_back(from);
    bounds.insert(bounds.end(), {double(from), double(to)});
  }
  const auto expectGiven = [&](const std::string& marker, const std::vector<double>& actual) {
    if (const auto expected = numbersAfter(script, marker); !expected.empty()) {
      EXPECT_EQ(actual, expected) << marker;
    }
  };
  expectGiven("// onsets:", onsets);
  expectGiven("// sound:", bounds);
  expectGiven("// frames:", {double(samples.size())});
  if (const auto hertz = numbersAfter(script, "// frequency:"); !hertz.empty()) {
    ASSERT_FALSE(spans.empty());
    EXPECT_NEAR(test::frequencyIn(samples, spans[0], 44100.0), hertz[0], 0.5);
  }
}

}  // namespace

class TokenScripts : public testing::TestWithParam<fs::path> {};
class CheckScripts : public testing::TestWithParam<fs::path> {};
class RunScripts : public testing::TestWithParam<fs::path> {};
class RenderScripts : public test::TestFolder, public testing::WithParamInterface<fs::path> {};

TEST_P(TokenScripts, PrintsExpectedTokens) {
  std::ostringstream out;
  EXPECT_EQ(tokensCommand(readFile(GetParam()), out), 0);
  EXPECT_EQ(linesOf(out.str()), linesOf(readFile(fs::path(GetParam()).replace_extension(".tokens"))));
}

TEST_P(CheckScripts, ParsesOrReportsTheError) {
  const fs::path errorPath = fs::path(GetParam()).replace_extension(".error");
  std::ostringstream err;
  EXPECT_EQ(checkCommand(readFile(GetParam()), err), fs::exists(errorPath) ? 1 : 0);
  EXPECT_EQ(linesOf(err.str()), linesOf(readFile(errorPath)));  // nothing without an .error file
}

TEST_P(RunScripts, PrintsExpectedLines) {
  std::string script = readFile(GetParam());
  RunOptions options;
  options.silent = true;
  options.resourcesDir = kSamplesDir;
  EXPECT_EQ(linesPrintedBy([&](std::ostream& err) { return runCommand(script, options, err); }),
            expectedRunLines(script));
}

TEST_P(RenderScripts, SoundsAsExpected) {
  const std::string script = readFile(GetParam());
  RenderOptions options;
  options.output = (dir() / "render.wav").string();
  options.sampleFormat = "float";
  options.resourcesDir = kSamplesDir;
  if (auto seconds = numbersAfter(script, "// seconds:"); !seconds.empty()) options.seconds = seconds[0];
  EXPECT_EQ(linesPrintedBy([&](std::ostream& err) { return renderCommand(script, options, err); }),
            expectedRunLines(script));
  ASSERT_TRUE(fs::exists(options.output));
  expectSoundAsTheScriptSays(script, test::leftChannel(options.output));
}

INSTANTIATE_TEST_SUITE_P(Scripts, TokenScripts, testing::ValuesIn(scriptsIn("tokens")), caseName);
INSTANTIATE_TEST_SUITE_P(Scripts, CheckScripts, testing::ValuesIn(scriptsIn("check")), caseName);
INSTANTIATE_TEST_SUITE_P(Scripts, RunScripts, testing::ValuesIn(scriptsIn("run")), caseName);
INSTANTIATE_TEST_SUITE_P(Scripts, RenderScripts, testing::ValuesIn(scriptsIn("render")), caseName);
