// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-script cases under tests/scripts/, run by the quarn binary on a copy
// (SCRIPT) in a folder of their own (DIR):
//   tokens/  NAME.tokens: the output of `quarn tokens`; tokens.table and
//            check/parse_errors.table hold one-line scripts
//   check/   NAME.error: the parse error (none: must parse)
//   run/     `// expect: LINE`: the output of `quarn run --silent`, in order
//            ("End of all sequences." last unless placed)
//   render/  a float WAV; expect lines, `// onsets:`, `// sound: FROM TO`,
//            `// frequency: HZ`, `// frames: N`, `// peak: LOW HIGH`,
//            `// seconds: N`, `// script: PATH`
//   cli/     `// $ quarn ARGS` commands, each followed by `// status: N` (2 when
//            only err lines are expected, else 0),
//            `// out: LINE`, `// err: LINE` (USAGE: the usage text),
//            `// out-bytes: N`, `// bytes: FILE N`, `// frames: FILE N`,
//            `// same: FILE FILE`, `// as above`; `// make: PATH` (folder if PATH ends in /)
// A failing command leaves DIR as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>

#include "audio/SampleFile.h"
#include "cli/Cli.h"
#include "cli/TestFolder.h"

namespace fs = std::filesystem;
using namespace quarn;
using test::readFile;

namespace {

constexpr float kSoundThreshold = 1e-6f;
// Stretches of sound closer than this (a zero crossing, a quiet sample) are one.
constexpr long kSilentGapFrames = 256;

// The rest of each line after `marker`, in order.
std::vector<std::string> textsAfter(const std::string& script, const std::string& marker) {
  std::vector<std::string> texts;
  std::istringstream in(script);
  for (std::string line; std::getline(in, line);) {
    auto at = line.find(marker);
    if (at == std::string::npos) continue;
    texts.push_back(line.substr(at + marker.size()));
    if (!texts.back().empty() && texts.back().back() == '\r') texts.back().pop_back();
  }
  return texts;
}

std::string expectedRunLines(const std::string& script) {
  std::string expected;
  for (const std::string& line : textsAfter(script, "// expect: ")) expected += line + "\n";
  return expected.find("End of all sequences.\n") == std::string::npos ? expected + "End of all sequences.\n"
                                                                        : expected;
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
void expectSoundAsTheScriptSays(const std::string& script, const fs::path& file) {
  const auto sound = decodeSampleFile(file);
  ASSERT_TRUE(sound);
  std::vector<float> samples;
  std::vector<double> onsets, bounds;  // each stretch of sound: its first frame and the one after its last
  for (long i = 0; i < sound->frameCount; ++i) {
    samples.push_back(sound->samples[2 * i]);
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
  if (const auto range = numbersAfter(script, "// peak:"); range.size() == 2) {
    float peak = 0.0f;
    for (float sample : sound->samples) peak = std::max(peak, std::fabs(sample));
    EXPECT_GE(peak, range[0]);
    EXPECT_LE(peak, range[1]);
  }
  if (const auto hertz = numbersAfter(script, "// frequency:"); !hertz.empty()) {
    ASSERT_FALSE(bounds.empty());
    EXPECT_NEAR(frequencyIn(samples, long(bounds[0]), long(bounds[1])), hertz[0], 0.5);
  }
}

struct Command {
  std::vector<std::string> args;
  test::Outcome expected;
  long outBytes = -1;
  bool statusGiven = false;
  std::vector<std::string> checks;  // bytes:, frames: and same: lines
};

std::string expandNames(std::string line, const fs::path& dir, const std::string& script) {
  for (auto at = line.find("SCRIPT"); at != std::string::npos; at = line.find("SCRIPT")) line.replace(at, 6, "DIR/" + script);
  for (auto at = line.find("DIR"); at != std::string::npos; at = line.find("DIR", at + dir.string().size()))
    line.replace(at, 3, dir.string());
  return line;
}

// The commands of a cli/ case.
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
    if (marker == "as" && commands.size() > 1)
      std::tie(c.expected, c.statusGiven) = std::pair(commands.rbegin()[1].expected, commands.rbegin()[1].statusGiven);
    if (marker == "status:") std::tie(c.expected.status, c.statusGiven) = std::tuple(std::stoi(rest), true);
    if (marker == "out:" || marker == "err:")
      (marker == "out:" ? c.expected.out : c.expected.err) += rest == "USAGE" ? usageText() : rest + "\n";
    if (marker == "out-bytes:") c.outBytes = std::stol(rest);
    if (marker == "bytes:" || marker == "frames:" || marker == "same:") c.checks.push_back(marker + " " + rest);
  }
  for (Command& c : commands)
    if (!c.statusGiven && !c.expected.err.empty() && c.expected.out.empty() && c.outBytes < 0) c.expected.status = 2;
  return commands;
}

// The command a case of the other folders stands for, and what it gives.
Command commandFor(const fs::path& file, const std::string& folder, const fs::path& copy) {
  const std::string text = readFile(file);
  Command c;
  if (folder == "tokens") {
    c.args = {"tokens", copy};
    c.expected.out = readFile(fs::path(file).replace_extension(".tokens"));
  } else if (folder == "check") {
    c.args = {"check", copy};
    c.expected.err = readFile(fs::path(file).replace_extension(".error"));  // nothing without an .error file
    c.expected.status = c.expected.err.empty() ? 0 : 1;
  } else {
    c.args = {"run", "--silent", copy};
    if (folder == "render") c.args = {"render", "--format", "float", "-o", copy.parent_path() / "render.wav", copy};
    if (const auto seconds = textsAfter(text, "// seconds: "); !seconds.empty())
      c.args.insert(c.args.begin() + 1, {"--seconds", seconds[0]});
    c.expected.out = expectedRunLines(text);
  }
  return c;
}

void expectWritten(const std::string& check) {
  std::istringstream words(check);
  std::string marker, file, other;
  words >> marker >> file >> other;
  if (marker == "bytes:") {
    EXPECT_EQ(fs::file_size(file), std::stoull(other)) << file;
  } else if (marker == "same:") {
    EXPECT_TRUE(readFile(file) == readFile(other)) << file << " and " << other << " differ";
  } else {
    const auto sound = decodeSampleFile(file);
    EXPECT_EQ(sound ? sound->frameCount : -1, std::stol(other)) << file;
  }
}

}  // namespace

class Scripts : public test::TestFolder, public testing::WithParamInterface<fs::path> {};

TEST_P(Scripts, DoAsTheCaseSays) {
  const std::string name = GetParam().filename().string(), folder = GetParam().parent_path().filename().string();
  const std::string text = readFile(GetParam());
  const auto given = textsAfter(text, "// script: ");
  fs::copy_file(given.empty() ? GetParam() : GetParam().parent_path() / given[0], dir() / name);
  const auto commands = folder == "cli" ? commandsOf(text, dir(), name)
                                        : std::vector{commandFor(GetParam(), folder, dir() / name)};
  for (const Command& c : commands) {
    const std::string row = testing::PrintToString(c.args);
    const auto entries = [&] { return std::distance(fs::directory_iterator(dir()), {}); };
    const auto before = entries();
    const test::Outcome o = test::runQuarn(c.args);
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
  if (folder == "render") expectSoundAsTheScriptSays(text, dir() / "render.wav");
}

INSTANTIATE_TEST_SUITE_P(Whole, Scripts,
                         testing::ValuesIn(test::scriptsIn({"tokens", "check", "run", "render", "cli"})),
                         test::caseName);

// `SCRIPT => WHAT` rows: the error of `quarn check`, or `quarn tokens`' lines joined by spaces.
class OneLineScripts : public test::TestFolder {};

TEST_F(OneLineScripts, AsTheTablesSay) {
  for (const std::string table : {"check/parse_errors.table", "tokens/tokens.table"}) {
    const std::string command = table.substr(0, table.find('/'));
    std::istringstream rows(readFile(fs::path(QUARN_TEST_DATA_DIR) / "scripts" / table));
    int count = 0;
    for (std::string row; std::getline(rows, row); ++count) {
      const auto arrow = row.find(" => ");
      ASSERT_NE(arrow, std::string::npos) << row;
      test::Outcome o = test::runQuarn({command, scriptFile("case.quarn", row.substr(0, arrow))});
      std::replace(o.out.begin(), o.out.end(), '\n', ' ');
      const std::string what = row.substr(arrow + 4);
      const auto expected = command == "check" ? std::tuple(1, std::string(), what + "\n") : std::tuple(0, what + " ", std::string());
      EXPECT_EQ(std::tuple(o.status, o.out, o.err), expected) << row;
    }
    EXPECT_GT(count, 10) << table;
  }
}

// Every bundled example renders with sound, printing only rate notes and the end line.
class Examples : public test::TestFolder, public testing::WithParamInterface<fs::path> {};

TEST_P(Examples, SoundWithoutAnErrorLine) {
  const test::Outcome o = test::runQuarn({"render", "-o", dir() / "example.wav", GetParam()});
  EXPECT_EQ(std::tuple(o.status, o.err), std::tuple(0, std::string()));
  std::istringstream lines(o.out);
  for (std::string line; std::getline(lines, line);)
    EXPECT_TRUE(line == "End of all sequences." || line.starts_with("[VRKLog] Sampler rate set to ")) << line;
  const auto sound = decodeSampleFile(dir() / "example.wav");
  ASSERT_TRUE(sound);
  float peak = 0.0f;
  for (float sample : sound->samples) peak = std::max(peak, std::fabs(sample));
  EXPECT_GT(peak, 0.1f);
}

INSTANTIATE_TEST_SUITE_P(Bundled, Examples, testing::ValuesIn(test::scriptsIn({"../../examples"})), test::caseName);
