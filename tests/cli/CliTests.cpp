// The quarn command's arguments, exit statuses and error lines.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "audio/SampleFile.h"
#include "cli/Cli.h"
#include "cli/TestFolder.h"

namespace fs = std::filesystem;
using namespace quarn;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome runQuarn(std::vector<std::string> args) {
  CaptureStdout();
  CaptureStderr();
  int status = runCli(args);
  std::string out = GetCapturedStdout();
  return {status, out, GetCapturedStderr()};
}

using CliTest = test::TestFolder;

// A usage mistake: its line, then the usage.
std::string usage(const std::string& problem) { return "quarn: " + problem + "\n" + usageText(); }

Outcome renderQuarn(std::vector<std::string> args) {
  args.insert(args.begin(), "render");
  return runQuarn(args);
}

const std::string kShortScript = "[tb303 play]; [self wait:0.1];";
// 0.1 s of script and the default 2 s tail
constexpr long kShortScriptFrames = 4410 + 88200;
// 16-bit stereo after the header
constexpr std::uintmax_t wavBytes(long frames) { return 44 + 4 * static_cast<std::uintmax_t>(frames); }

}  // namespace

// The command lines of --help, unindented, are the README's.
TEST(CliUsage, HelpGoesToStandardOutputAndAgreesWithTheReadme) {
  Outcome o = runQuarn({"--help"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, usageText());
  EXPECT_TRUE(o.err.empty());
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

// `quarn FILE`: the window opens a file, or a script to make; other words stay mistakes.
TEST_F(CliTest, OneWordNamingAFileOpensTheWindow) {
  const std::string existing = scriptFile("beat.txt", "");
  const struct { std::vector<std::string> args; std::optional<std::string> file; } cases[] = {
      {{existing}, existing},          {{"new-beat.quarn"}, "new-beat.quarn"},
      {{"run"}, std::nullopt},         {{"tokens"}, std::nullopt},      {{"render"}, std::nullopt},
      {{"nosuchword"}, std::nullopt},  {{"--help"}, std::nullopt},
      {{"-"}, std::nullopt},           {{existing, existing}, std::nullopt},
      {{dir().string()}, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(workbenchFileArgument(c.args), c.file) << ::testing::PrintToString(c.args);
}

// Each row's FILE is a script holding its text.
TEST_F(CliTest, StatusesAndLines) {
  const std::string latency = usage("--latency needs a whole number of milliseconds from 0 to 2000");
  const std::string missing = "/nonexistent/quarn/script.quarn";
  const std::string unreadable = "quarn: cannot read " + missing + ": No such file or directory\n";
  const std::string end = "End of all sequences.\n";
  const struct { std::vector<std::string> args; std::string script; int status; std::string out, err; } cases[] = {
      {{"tokens", "FILE"}, "a\xff\xfe b", 0, "identifier(\"a\")\nidentifier(\"b\")\neof\n", ""},
      {{"check", "FILE"}, "int x = 1;", 0, "", ""},
      {{"check", "FILE"}, "[tb303 play]", 1, "",
       "Parsing error: semicolon is missing at the end of the sentence. (current token: eof)\n"},
      {{"run", "--silent", "FILE"}, "[piano play]; int", 1, "", "Parsing error: Variable name is required.\n"},
      {{"run", "--silent", "--latency", "0", "FILE"}, "[self wait:0.01];", 0, end, ""},
      {{"run", "--latency", "2000", "--silent", "FILE"}, "[self wait:0.01];", 0, end, ""},
      {{"tokens", missing}, "", 2, "", unreadable},
      {{"check", missing}, "", 2, "", unreadable},
      {{"run", missing}, "", 2, "", unreadable},
      {{"check", dir().string()}, "", 2, "", "quarn: cannot read " + dir().string() + ": it is a directory\n"},
      {{"render", "--help"}, "", 0, usageText(), ""},
      {{}, "", 2, "", usage("missing subcommand")},
      {{"frobnicate", "x"}, "", 2, "", usage("unknown subcommand 'frobnicate'")},
      {{"--bogus"}, "", 2, "", usage("unknown subcommand '--bogus'")},
      {{"tokens"}, "", 2, "", usage("tokens needs exactly one FILE")},
      {{"check", "a", "b"}, "", 2, "", usage("check needs exactly one FILE")},
      {{"tokens", "--silent", "x"}, "", 2, "", usage("unknown option '--silent'")},
      {{"check", "--latency", "5", "x"}, "", 2, "", usage("unknown option '--latency'")},
      {{"run", "x", "--latency"}, "", 2, "", latency},
      {{"run", "--latency", "soon", "x"}, "", 2, "", latency},
      {{"run", "--latency", "-5", "x"}, "", 2, "", latency},
      {{"run", "--latency", "2001", "x"}, "", 2, "", latency},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    for (std::string& arg : args)
      if (arg == "FILE") arg = scriptFile("script.quarn", c.script);
    const std::string row = testing::PrintToString(c.args);
    Outcome o = runQuarn(args);
    EXPECT_EQ(o.status, c.status) << row;
    EXPECT_EQ(o.out, c.out) << row;
    EXPECT_EQ(o.err, c.err) << row;
  }
}

TEST_F(CliTest, RunWithoutADeviceSaysSoOnceAndPlaysSilently) {
  if (fs::exists("/dev/snd")) GTEST_SKIP() << "this machine has a sound card";
  // no sound server either: the address leads nowhere
  setenv("PULSE_SERVER", ("unix:" + (dir() / "no-server").string()).c_str(), 1);
  Outcome o = runQuarn({"run", scriptFile("play.quarn", "[sampler setRate:2];")});
  unsetenv("PULSE_SERVER");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "quarn: no audio device found; playing silently\n");
  EXPECT_EQ(o.out, "[VRKLog] Sampler rate set to 2.0\nEnd of all sequences.\n");
}

TEST_F(CliTest, RenderBadInputIsOneLineAndLeavesNoFile) {
  const fs::path folder = dir() / "bad";
  fs::create_directories(folder);
  const std::string good = scriptFile("render_good.quarn", kShortScript);
  const std::string out = (folder / "out.wav").string();
  const fs::path taken = dir() / "taken.wav";
  fs::create_directories(taken);
  const std::string mp3 = (folder / "out.mp3").string();
  const std::string flac = (folder / "out.flac").string();
  const std::string self = scriptFile("render_self.wav", kShortScript);
  const std::string seconds = "quarn: --seconds needs a positive number of seconds, at most 10800, not '";
  const struct { std::vector<std::string> args; int status; std::string err; } cases[] = {
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
      {{"-", "-o"}, 2, usage("-o needs a value")},
      {{"-"}, 2, usage("render from standard input needs -o OUT")},
      {{self}, 2, "quarn: rendering " + self + " to itself would overwrite the script; give -o OUT\n"},
  };
  for (const auto& c : cases) {
    Outcome o = renderQuarn(c.args);
    EXPECT_EQ(o.status, c.status) << c.args[0];
    EXPECT_EQ(o.err, c.err);
    EXPECT_TRUE(o.out.empty());
    EXPECT_TRUE(fs::is_empty(folder)) << c.err;  // not even a temporary file
  }
}

TEST_F(CliTest, RenderWritesEachFormatItsExtensionNames) {
  const std::string script = scriptFile("song.quarn", kShortScript);
  const std::vector<std::vector<std::string>> cases = {
      {script},  // song.wav beside the script
      {"-o", (dir() / "a.flac").string(), script},
      {"-o", (dir() / "b.ogg").string(), script},
      {"--format", "24", "-o", (dir() / "c.wav").string(), script},
      {"--format", "float", "--tail", "0", "-o", (dir() / "d.wav").string(), script},
  };
  for (const auto& args : cases) {
    Outcome o = renderQuarn(args);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "End of all sequences.\n");
  }
  for (const char* name : {"song.wav", "a.flac", "b.ogg", "c.wav"}) {
    auto sound = decodeSampleFile(dir() / name);
    ASSERT_TRUE(sound) << name;
    EXPECT_EQ(sound->frameCount, kShortScriptFrames) << name;
  }
  EXPECT_EQ(decodeSampleFile(dir() / "d.wav")->frameCount, 4410);
}

// A WAV on standard output sends the lines to standard error; a render past a
// limit says so there and goes on to a whole file.
TEST_F(CliTest, RenderLinesAndLengths) {
  const struct { std::string output, script, err; std::uintmax_t bytes; } cases[] = {
      {"-", kShortScript, "End of all sequences.\n", wavBytes(kShortScriptFrames)},
      {"cap.wav", "[self wait:86400];",
       "quarn: the script was still running after 600 s of audio, the longest render without --seconds;"
       " the render ends there (give --seconds N to choose its length)\n",
       wavBytes(600L * 44100)},
      // bodies beyond the work queue's workers begin once others end (after kVirtualBeginTimeout)
      {"many.wav", "int k = 0;\nwhile (k < 300) { async { [self wait:1]; } k = k + 1; }\n",
       "quarn: more script threads waited at once than the work queue has workers (256); those that began"
       " late may take their turns in another order on another render\n",
       wavBytes(3L * 44100)},  // 1 s of waits and the 2 s tail
  };
  for (const auto& c : cases) {
    const std::string output = c.output == "-" ? c.output : (dir() / c.output).string();
    Outcome o = renderQuarn({"-o", output, scriptFile("limit.quarn", c.script)});
    EXPECT_EQ(o.status, 0) << c.output;
    EXPECT_EQ(o.err, c.err);
    if (c.output == "-") {
      EXPECT_EQ(o.out.substr(0, 4), "RIFF");
      EXPECT_EQ(o.out.size(), c.bytes);
    } else {
      EXPECT_EQ(fs::file_size(output), c.bytes) << c.output;
    }
  }
}

// Bodies contend for the same moments: the voice, the sampler and the lines.
TEST_F(CliTest, RenderTheSameScriptGivesTheSameBytes) {
  const std::string script = scriptFile("render_contend.quarn",
                                        "int k = 0;\n"
                                        "while (k < 12) {\n"
                                        "  async { [tb303 setFrequency:110 * k]; [tb303 play]; [sampler play:\"hat\"];\n"
                                        "          [self wait:0.25]; [sampler setRate:1 + k / 4]; [self x]; }\n"
                                        "  k = k + 1;\n"
                                        "}\n");
  std::vector<Outcome> outcomes;
  for (const char* name : {"a.wav", "b.wav", "a.ogg", "b.ogg"})
    outcomes.push_back(renderQuarn({"-o", (dir() / name).string(), script}));
  for (const Outcome& o : outcomes) EXPECT_EQ(o.out, outcomes[0].out);
  EXPECT_NE(outcomes[0].out.find("Sampler rate set to"), std::string::npos);
  EXPECT_EQ(test::readFile(dir() / "a.wav"), test::readFile(dir() / "b.wav"));
  EXPECT_EQ(test::readFile(dir() / "a.ogg"), test::readFile(dir() / "b.ogg"));  // its serial number too
}
