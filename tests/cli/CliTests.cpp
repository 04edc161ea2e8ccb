// The quarn command's arguments, exit statuses and error lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdlib.h>

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
      {{"run"}, std::nullopt},         {{"tokens"}, std::nullopt},
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
