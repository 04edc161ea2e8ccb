// Whole-script cases under tests/scripts/, run through the same code as the
// quarn subcommands:
//   tokens/NAME.quarn  with NAME.tokens: the exact output of `quarn tokens`
//   check/NAME.quarn   with NAME.error: the parse error (no .error: must parse)
//   run/NAME.quarn     with `// expect: LINE` comments: the standard output of
//                      `quarn run --silent`, in order; "End of all sequences." is
//                      expected last unless an expect comment places it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "support/Diagnostics.h"

namespace fs = std::filesystem;
using namespace quarn;

namespace {

const fs::path kScriptsDir = fs::path(QUARN_TEST_DATA_DIR) / "scripts";

std::string readFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

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

// Collects every line printed during a run.
class CapturedLines {
public:
  CapturedLines() {
    setLineSink([this](std::string_view line) { lines_.emplace_back(line); });
  }
  ~CapturedLines() { setLineSink({}); }
  const std::vector<std::string>& lines() const { return lines_; }

private:
  std::vector<std::string> lines_;
};

std::vector<std::string> expectedRunLines(const std::string& script) {
  const std::string marker = "// expect: ";
  std::vector<std::string> expected;
  bool endPlaced = false;
  for (const std::string& line : linesOf(script)) {
    auto at = line.find(marker);
    if (at == std::string::npos) continue;
    std::string text = line.substr(at + marker.size());
    if (!text.empty() && text.back() == '\r') text.pop_back();
    endPlaced |= text == "End of all sequences.";
    expected.push_back(text);
  }
  if (!endPlaced) expected.push_back("End of all sequences.");
  return expected;
}

}  // namespace

class TokenScripts : public testing::TestWithParam<fs::path> {};
class CheckScripts : public testing::TestWithParam<fs::path> {};
class RunScripts : public testing::TestWithParam<fs::path> {};

TEST_P(TokenScripts, PrintsExpectedTokens) {
  fs::path expectedPath = GetParam();
  expectedPath.replace_extension(".tokens");
  std::ostringstream out;
  EXPECT_EQ(tokensCommand(readFile(GetParam()), out), 0);
  EXPECT_EQ(linesOf(out.str()), linesOf(readFile(expectedPath)));
}

TEST_P(CheckScripts, ParsesOrReportsTheError) {
  fs::path errorPath = GetParam();
  errorPath.replace_extension(".error");
  std::ostringstream err;
  int status = checkCommand(readFile(GetParam()), err);
  if (fs::exists(errorPath)) {
    EXPECT_EQ(status, 1);
    EXPECT_EQ(linesOf(err.str()), linesOf(readFile(errorPath)));
  } else {
    EXPECT_EQ(status, 0) << err.str();
  }
}

TEST_P(RunScripts, PrintsExpectedLines) {
  std::string script = readFile(GetParam());
  RunOptions options;
  options.silent = true;
  options.resourcesDir = fs::path(QUARN_BINARY_DIR) / "share" / "quarn" / "samples";
  std::ostringstream err;
  std::vector<std::string> printed;
  {
    CapturedLines captured;
    EXPECT_EQ(runCommand(script, options, err), 0) << err.str();
    printed = captured.lines();
  }
  EXPECT_EQ(printed, expectedRunLines(script));
}

INSTANTIATE_TEST_SUITE_P(Scripts, TokenScripts, testing::ValuesIn(scriptsIn("tokens")), caseName);
INSTANTIATE_TEST_SUITE_P(Scripts, CheckScripts, testing::ValuesIn(scriptsIn("check")), caseName);
INSTANTIATE_TEST_SUITE_P(Scripts, RunScripts, testing::ValuesIn(scriptsIn("run")), caseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TokenScripts);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CheckScripts);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RunScripts);
