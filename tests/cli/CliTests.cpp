// The quarn command's arguments, exit statuses and error lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdlib.h>

#include "audio/SampleFile.h"
#include "cli/Cli.h"

using namespace quarn;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome runQuarn(std::vector<std::string> args) {
  CaptureStdout();
  CaptureStderr();
  int status = runCli(args);
  std::string out = GetCapturedStdout();
  return {status, out, GetCapturedStderr()};
}

// Each test writes its scripts into a folder of its own, removed afterwards.
class CliTest : public testing::Test {
protected:
  CliTest() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quarn-cli.XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
  }
  ~CliTest() override { std::filesystem::remove_all(dir_); }

  std::string scriptFile(const std::string& name, const std::string& text) {
    auto path = dir_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }
  const std::filesystem::path& dir() const { return dir_; }

private:
  std::filesystem::path dir_;
};

// The lines of the fenced block that follows heading in README.md.
std::vector<std::string> readmeBlockAfter(const std::string& heading) {
  std::ifstream readme(std::filesystem::path(QUARN_TEST_DATA_DIR) / ".." / "README.md");
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(readme, line) && line != heading) {}
  while (std::getline(readme, line) && line != "```") {}
  while (std::getline(readme, line) && line != "```") lines.push_back(line);
  return lines;
}

// The usage lines of --help, without their indentation.
std::vector<std::string> helpCommandLines(const std::string& help) {
  std::vector<std::string> lines;
  std::istringstream in(help);
  for (std::string line; std::getline(in, line);)
    if (line.rfind("  quarn", 0) == 0) lines.push_back(line.substr(2));
  return lines;
}

}  // namespace

TEST(CliUsage, HelpGoesToStandardOutputAndAgreesWithTheReadme) {
  Outcome o = runQuarn({"--help"});
  EXPECT_EQ(o.status, 0);
  EXPECT_TRUE(o.err.empty());
  std::vector<std::string> help = helpCommandLines(o.out);
  EXPECT_GE(help.size(), 5u);
  EXPECT_EQ(help, readmeBlockAfter("## The `quarn` command"));
}

// `quarn FILE`: the window opens a file, or a script to make; other words stay mistakes.
TEST(CliUsage, OneWordNamingAFileOpensTheWindow) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  const std::string existing = (folder / "quarn-cli-beat.txt").string();
  std::ofstream(existing) << "";
  const struct { std::vector<std::string> args; std::optional<std::string> file; } cases[] = {
      {{existing}, existing},          {{"new-beat.quarn"}, "new-beat.quarn"},
      {{"run"}, std::nullopt},         {{"tokens"}, std::nullopt},      {{"render"}, std::nullopt},
      {{"nosuchword"}, std::nullopt},  {{"--help"}, std::nullopt},
      {{"-"}, std::nullopt},           {{existing, existing}, std::nullopt},
      {{folder.string()}, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(workbenchFileArgument(c.args), c.file) << ::testing::PrintToString(c.args);
  std::filesystem::remove(existing);
}

TEST(CliUsage, MistakesPrintUsageOnStandardErrorWithStatus2) {
  for (auto args : std::vector<std::vector<std::string>>{
           {"frobnicate", "x"}, {"tokens"}, {"check", "a", "b"}, {"tokens", "--silent", "x"}, {"--bogus"},
           {"run", "x", "--latency"}, {"run", "--latency", "soon", "x"}, {"run", "--latency", "-5", "x"},
           {"run", "--latency", "2001", "x"}, {"check", "--latency", "5", "x"}}) {
    Outcome o = runQuarn(args);
    EXPECT_EQ(o.status, 2) << args[0];
    EXPECT_NE(o.err.find("Usage:"), std::string::npos) << args[0];
    EXPECT_TRUE(o.out.empty()) << args[0];
  }
}

TEST_F(CliTest, UnreadableFileIsOneLineWithStatus2) {
  for (std::string command : {"tokens", "check", "run"}) {
    Outcome o = runQuarn({command, "/nonexistent/quarn/script.quarn"});
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, "quarn: cannot read /nonexistent/quarn/script.quarn: No such file or directory\n");
  }
  EXPECT_EQ(runQuarn({"check", dir().string()}).status, 2);
}

TEST_F(CliTest, TokensPrintsOneTokenPerLineEndingInEof) {
  Outcome o = runQuarn({"tokens", scriptFile("tokens.quarn", "[tb303 play];")});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "openBracket\nidentifier(\"tb303\")\nidentifier(\"play\")\ncloseBracket\nsemicolon\neof\n");
}

TEST_F(CliTest, TokensDropsInvalidUtf8) {
  Outcome o = runQuarn({"tokens", scriptFile("bad.quarn", "a\xff\xfe b")});
  EXPECT_EQ(o.out, "identifier(\"a\")\nidentifier(\"b\")\neof\n");
}

TEST_F(CliTest, CheckReportsTheParseErrorOnStandardError) {
  Outcome good = runQuarn({"check", scriptFile("good.quarn", "int x = 1;")});
  EXPECT_EQ(good.status, 0);
  EXPECT_TRUE(good.out.empty() && good.err.empty());
  Outcome bad = runQuarn({"check", scriptFile("bad2.quarn", "[tb303 play]")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err, "Parsing error: semicolon is missing at the end of the sentence. (current token: eof)\n");
  EXPECT_TRUE(bad.out.empty());
}

TEST_F(CliTest, LatencyInRangeIsTakenAndOutOfRangeIsNamed) {
  const std::string script = scriptFile("latency.quarn", "[self wait:0.01];");
  EXPECT_EQ(runQuarn({"run", "--silent", "--latency", "0", script}).status, 0);
  EXPECT_EQ(runQuarn({"run", "--latency", "2000", "--silent", script}).status, 0);
  EXPECT_EQ(runQuarn({"run", "--latency", "2001", script}).err.rfind(
                "quarn: --latency needs a whole number of milliseconds from 0 to 2000\n", 0), 0u);
}

TEST_F(CliTest, RunAfterAParseErrorRunsNothing) {
  Outcome o = runQuarn({"run", "--silent", scriptFile("bad3.quarn", "[piano play]; int")});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "Parsing error: Variable name is required.\n");
  EXPECT_TRUE(o.out.empty());
}

TEST_F(CliTest, RunWithoutADeviceSaysSoOnceAndPlaysSilently) {
  if (std::filesystem::exists("/dev/snd")) GTEST_SKIP() << "this machine has a sound card";
  // no sound server either: the address leads nowhere
  setenv("PULSE_SERVER", ("unix:" + (dir() / "no-server").string()).c_str(), 1);
  Outcome o = runQuarn({"run", scriptFile("play.quarn", "[sampler setRate:2];")});
  unsetenv("PULSE_SERVER");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "quarn: no audio device found; playing silently\n");
  EXPECT_EQ(o.out, "[VRKLog] Sampler rate set to 2.0\nEnd of all sequences.\n");
  Outcome silent = runQuarn({"run", "--silent", scriptFile("play.quarn", "[sampler setRate:2];")});
  EXPECT_TRUE(silent.err.empty());
}

namespace {

namespace fs = std::filesystem;

fs::path freshFolder(const fs::path& base, const std::string& name) {
  const fs::path folder = base / name;
  fs::create_directories(folder);
  return folder;
}

Outcome renderQuarn(std::vector<std::string> args) {
  args.insert(args.begin(), "render");
  return runQuarn(args);
}

const std::string kShortScript = "[tb303 play]; [self wait:0.1];";
// 0.1 s of script and the default 2 s tail
constexpr long kShortScriptFrames = 4410 + 88200;

std::string bytesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST_F(CliTest, RenderBadInputIsOneLineAndLeavesNoFile) {
  const fs::path folder = freshFolder(dir(), "bad");
  const std::string good = scriptFile("render_good.quarn", kShortScript);
  const std::string out = (folder / "out.wav").string();
  const fs::path taken = freshFolder(dir(), "taken.wav");
  const std::string mp3 = (folder / "out.mp3").string();
  const std::string flac = (folder / "out.flac").string();
  const std::string seconds = "quarn: --seconds needs a positive number of seconds, at most 10800, not '";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{"-o", "/nonexistent/quarn/out.wav", good}, 2,
       "quarn: cannot write /nonexistent/quarn/out.wav: No such file or directory\n"},
      {{"-o", taken.string(), good}, 2, "quarn: cannot write " + taken.string() + ": it is a directory\n"},
      {{"-o", mp3, good}, 2, "quarn: cannot write " + mp3 + ": unknown extension '.mp3'; use .wav, .flac or .ogg\n"},
      {{"--format", "float", "-o", flac, good}, 2,
       "quarn: cannot write " + flac + ": FLAC holds 16- or 24-bit samples; use --format 16 or 24\n"},
      {{"-o", out, scriptFile("render_bad.quarn", "[tb303 play]")}, 1,
       "Parsing error: semicolon is missing at the end of the sentence. (current token: eof)\n"},
      {{"--seconds", "abc", "-o", out, good}, 2, seconds + "abc'\n"},
      {{"--seconds", "0", "-o", out, good}, 2, seconds + "0'\n"},
      {{"--seconds", "-2", "-o", out, good}, 2, seconds + "-2'\n"},
      {{"--seconds", "nan", "-o", out, good}, 2, seconds + "nan'\n"},
      {{"--seconds", "10801", "-o", out, good}, 2, seconds + "10801'\n"},
      {{"--tail", "61", "-o", out, good}, 2, "quarn: --tail needs a number of seconds from 0 to 60, not '61'\n"},
      {{"--format", "32", "-o", out, good}, 2, "quarn: --format needs float, 24 or 16, not '32'\n"},
      {{"-", "-o"}, 2, ""},
      {{scriptFile("render_self.wav", kShortScript)}, 2, ""},
  };
  for (const Case& c : cases) {
    Outcome o = renderQuarn(c.args);
    EXPECT_EQ(o.status, c.status) << c.args[0] << " " << c.args[1];
    if (!c.err.empty()) {
      EXPECT_EQ(o.err, c.err);
    }
    EXPECT_NE(o.err, "");
    EXPECT_TRUE(o.out.empty());
    EXPECT_TRUE(fs::is_empty(folder)) << c.err;  // not even a temporary file
  }
}

TEST_F(CliTest, RenderWritesEachFormatItsExtensionNames) {
  const fs::path folder = freshFolder(dir(), "formats");
  const fs::path script = folder / "song.quarn";
  std::ofstream(script) << kShortScript;
  const std::vector<std::vector<std::string>> cases = {
      {script.string()},  // song.wav beside the script
      {"-o", (folder / "a.flac").string(), script.string()},
      {"-o", (folder / "b.ogg").string(), script.string()},
      {"--format", "24", "-o", (folder / "c.wav").string(), script.string()},
      {"--format", "float", "--tail", "0", "-o", (folder / "d.wav").string(), script.string()},
  };
  for (const auto& args : cases) {
    Outcome o = renderQuarn(args);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "End of all sequences.\n");
  }
  for (const char* name : {"song.wav", "a.flac", "b.ogg", "c.wav"}) {
    auto sound = decodeSampleFile(folder / name);
    ASSERT_TRUE(sound) << name;
    EXPECT_EQ(sound->frameCount, kShortScriptFrames) << name;
  }
  EXPECT_EQ(decodeSampleFile(folder / "d.wav")->frameCount, 4410);
}

TEST_F(CliTest, RenderHelpGoesToStandardOutput) {
  Outcome o = renderQuarn({"--help"});
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("quarn render [options] FILE"), std::string::npos);
}

TEST_F(CliTest, RenderStandardOutputGetsTheWavAndTheLinesGoToStandardError) {
  Outcome o = renderQuarn({"-o", "-", scriptFile("render_stdout.quarn", kShortScript)});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.substr(0, 4), "RIFF");
  EXPECT_EQ(o.out.size(), 44 + 4 * kShortScriptFrames);  // 16-bit stereo after the header
  EXPECT_EQ(o.err, "End of all sequences.\n");
}

// Bodies contend for the same moments: the voice, the sampler and the lines.
TEST_F(CliTest, RenderTheSameScriptGivesTheSameBytes) {
  const fs::path folder = freshFolder(dir(), "same");
  const std::string script = scriptFile("render_contend.quarn",
                                        "int k = 0;\n"
                                        "while (k < 12) {\n"
                                        "  async { [tb303 setFrequency:110 * k]; [tb303 play]; [sampler play:\"hat\"];\n"
                                        "          [self wait:0.25]; [sampler setRate:1 + k / 4]; [self x]; }\n"
                                        "  k = k + 1;\n"
                                        "}\n");
  std::vector<Outcome> outcomes;
  for (const char* name : {"a.wav", "b.wav", "a.ogg", "b.ogg"})
    outcomes.push_back(renderQuarn({"-o", (folder / name).string(), script}));
  for (const Outcome& o : outcomes) EXPECT_EQ(o.out, outcomes[0].out);
  EXPECT_NE(outcomes[0].out.find("Sampler rate set to"), std::string::npos);
  EXPECT_EQ(bytesOf(folder / "a.wav"), bytesOf(folder / "b.wav"));
  EXPECT_EQ(bytesOf(folder / "a.ogg"), bytesOf(folder / "b.ogg"));  // its serial number too
}

TEST_F(CliTest, RenderAScriptThatNeverEndsStopsAtTheCap) {
  const fs::path out = freshFolder(dir(), "cap") / "endless.wav";
  Outcome o = renderQuarn({"-o", out.string(), scriptFile("render_endless.quarn", "[self wait:86400];")});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err,
            "quarn: the script was still running after 600 s of audio, the longest render without --seconds;"
            " the render ends there (give --seconds N to choose its length)\n");
  EXPECT_EQ(fs::file_size(out), 44 + 4 * 600UL * 44100);  // 16-bit stereo after the header
  fs::remove(out);
}

// Bodies beyond the work queue's workers begin only once others end: the render
// goes on (after kVirtualBeginTimeout) and says their order is not fixed.
TEST_F(CliTest, RenderMoreWaitingBodiesThanWorkersStillRender) {
  const fs::path out = freshFolder(dir(), "starved") / "many.wav";
  Outcome o = renderQuarn({"-o", out.string(),
                           scriptFile("render_many.quarn", "int k = 0;\n"
                                                           "while (k < 300) { async { [self wait:1]; } k = k + 1; }\n")});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err,
            "quarn: more script threads waited at once than the work queue has workers (256); those that began"
            " late may take their turns in another order on another render\n");
  EXPECT_EQ(fs::file_size(out), 44 + 4 * 3UL * 44100);  // 1 s of waits and the 2 s tail
}
