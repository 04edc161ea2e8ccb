// SPDX-License-Identifier: GPL-3.0-or-later
// The manual page and --version against the program itself: the page's
// synopsis is --help's command lines, and it explains every render option.
#include <gtest/gtest.h>

#include <regex>

#include "cli/Cli.h"
#include "cli/TestFolder.h"

namespace fs = std::filesystem;

namespace quarn {
namespace {

using test::Outcome;
using test::runQuarn;

// The page's lines as man shows them: fonts dropped, "\-" as "-".
std::vector<std::string> manualLines() {
  std::istringstream in(test::readFile(fs::path(QUARN_TEST_DATA_DIR) / ".." / "data" / "quarn.1.in"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(std::regex_replace(std::regex_replace(line, std::regex(R"(\\f[BIR])"), ""), std::regex(R"(\\-)"), "-"));
  return lines;
}

// The lines of `section` between its .nf and .fi.
std::vector<std::string> unfilledBlock(const std::vector<std::string>& lines, const std::string& section) {
  auto at = std::find(lines.begin(), lines.end(), ".SH " + section);
  at = std::find(at, lines.end(), ".nf");
  const auto end = std::find(at, lines.end(), ".fi");
  return at == lines.end() ? std::vector<std::string>{} : std::vector<std::string>(at + 1, end);
}

TEST(ManualPage, SynopsisAndOptionsAreThoseOfHelp) {
  const std::vector<std::string> manual = manualLines();
  std::vector<std::string> commands, options;
  std::istringstream help(usageText());
  for (std::string line; std::getline(help, line);) {
    if (line.rfind("  quarn", 0) == 0) commands.push_back(line.substr(2, line.find("  ", 2) - 2));
    if (line.rfind("      -", 0) == 0) options.push_back(line.substr(6, line.find("  ", 6) - 6));
  }
  EXPECT_EQ(unfilledBlock(manual, "SYNOPSIS"), commands);
  EXPECT_GE(options.size(), 4u);
  for (const std::string& option : options)
    EXPECT_NE(std::find(manual.begin(), manual.end(), option), manual.end()) << option << " is not in the manual";
}

TEST(ManualPage, VersionIsTheProjectsWithTheLicence) {
  const Outcome o = runQuarn({"--version"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.substr(0, o.out.find('\n')), "quarn (Quarn Workbench) " QUARN_VERSION);
  EXPECT_NE(o.out.find("GNU GPL version 3 or later"), std::string::npos);
}

}  // namespace
}  // namespace quarn
