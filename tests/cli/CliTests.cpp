// The quarn command's arguments, exit statuses and error lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "CliTestSupport.h"
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

}  // namespace

TEST(CliUsage, HelpGoesToStandardOutput) {
  Outcome o = runQuarn({"--help"});
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("quarn run [--silent] FILE"), std::string::npos);
  EXPECT_TRUE(o.err.empty());
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
           {"frobnicate", "x"}, {"tokens"}, {"check", "a", "b"}, {"tokens", "--silent", "x"}, {"--bogus"}}) {
    Outcome o = runQuarn(args);
    EXPECT_EQ(o.status, 2) << args[0];
    EXPECT_NE(o.err.find("Usage:"), std::string::npos) << args[0];
    EXPECT_TRUE(o.out.empty()) << args[0];
  }
}

TEST(CliFiles, UnreadableFileIsOneLineWithStatus2) {
  for (std::string command : {"tokens", "check", "run"}) {
    Outcome o = runQuarn({command, "/nonexistent/quarn/script.quarn"});
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, "quarn: cannot read /nonexistent/quarn/script.quarn: No such file or directory\n");
  }
  Outcome dir = runQuarn({"check", std::filesystem::temp_directory_path().string()});
  EXPECT_EQ(dir.status, 2);
}

TEST(CliTokens, PrintsOneTokenPerLineEndingInEof) {
  Outcome o = runQuarn({"tokens", scriptFile("tokens.quarn", "[tb303 play];")});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "openBracket\nidentifier(\"tb303\")\nidentifier(\"play\")\ncloseBracket\nsemicolon\neof\n");
}

TEST(CliTokens, InvalidUtf8IsDropped) {
  Outcome o = runQuarn({"tokens", scriptFile("bad.quarn", "a\xff\xfe b")});
  EXPECT_EQ(o.out, "identifier(\"a\")\nidentifier(\"b\")\neof\n");
}

TEST(CliCheck, ReportsTheParseErrorOnStandardError) {
  Outcome good = runQuarn({"check", scriptFile("good.quarn", "int x = 1;")});
  EXPECT_EQ(good.status, 0);
  EXPECT_TRUE(good.out.empty() && good.err.empty());
  Outcome bad = runQuarn({"check", scriptFile("bad2.quarn", "[tb303 play]")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err, "Parsing error: semicolon is missing at the end of the sentence. (current token: eof)\n");
  EXPECT_TRUE(bad.out.empty());
}

TEST(CliRun, ParseErrorRunsNothing) {
  Outcome o = runQuarn({"run", "--silent", scriptFile("bad3.quarn", "[piano play]; int")});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "Parsing error: Variable name is required.\n");
  EXPECT_TRUE(o.out.empty());
}
