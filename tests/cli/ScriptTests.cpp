// Whole-script cases under tests/scripts/, run through the same code as the
// quarn subcommands (cli/ holds whole commands, run by CliTests.cpp):
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

#include <cmath>
#include <functional>

#include "audio/SampleFile.h"
#include "cli/Commands.h"
#include "cli/RenderCommand.h"
#include "cli/TestFolder.h"
#include "support/Diagnostics.h"

namespace fs = std::filesystem;
using namespace quarn;
using test::caseName;
using test::readFile;
using test::scriptsIn;

namespace {

const fs::path kSamplesDir = fs::path(QUARN_BINARY_DIR) / "share" / "quarn" / "samples";
// A sample counts as sound above this; float renders hold exact zeros elsewhere.
constexpr float kSoundThreshold = 1e-6f;
// Stretches of sound closer than this (a zero crossing, a quiet sample) are one.
constexpr long kSilentGapFrames = 256;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
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

// Rising zero crossings per second from `from` to `to`.
double frequencyIn(const std::vector<float>& samples, long from, long to) {
  long first = -1, last = -1, crossings = 0;
  for (long i = from + 1; i < to; ++i) {
    if (samples[i - 1] >= 0 || samples[i] < 0) continue;
    if (first < 0) first = i;
    last = i;
    ++crossings;
  }
  return crossings > 1 ? (crossings - 1) * 44100.0 / static_cast<double>(last - first) : 0.0;
}

// The facts about the sound (the left channel; both carry the same signal)
// that the script's comments name; the others are not checked.
void expectSoundAsTheScriptSays(const std::string& script, const SampleBuffer& sound) {
  std::vector<float> samples;
  std::vector<double> onsets, bounds;  // each stretch of sound: its first frame and the one after its last
  for (long i = 0; i < sound.frameCount; ++i) {
    samples.push_back(sound.samples[2 * i]);
    if (std::fabs(samples[i]) <= kSoundThreshold) continue;
    if (!bounds.empty() && i - bounds.back() < kSilentGapFrames) {
      bounds.back() = i + 1;
    } else {
      onsets.push_back(i);
      bounds.insert(bounds.end(), {double(i), double(i + 1)});
    }
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
    ASSERT_FALSE(bounds.empty());
    EXPECT_NEAR(frequencyIn(samples, long(bounds[0]), long(bounds[1])), hertz[0], 0.5);
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
  const auto sound = decodeSampleFile(options.output);
  ASSERT_TRUE(sound);
  expectSoundAsTheScriptSays(script, *sound);
}

INSTANTIATE_TEST_SUITE_P(Scripts, TokenScripts, testing::ValuesIn(scriptsIn("tokens")), caseName);
INSTANTIATE_TEST_SUITE_P(Scripts, CheckScripts, testing::ValuesIn(scriptsIn("check")), caseName);
INSTANTIATE_TEST_SUITE_P(Scripts, RunScripts, testing::ValuesIn(scriptsIn("run")), caseName);
INSTANTIATE_TEST_SUITE_P(Scripts, RenderScripts, testing::ValuesIn(scriptsIn("render")), caseName);
