// SPDX-License-Identifier: GPL-3.0-or-later
// Every whole-script case and bundled script warns exactly where its `// warns: LINE:COLUMN KIND`
// comments say (`// warns: KIND everywhere`: every one of that kind, at least one), against the built kit.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "audio/SampleFile.h"
#include "frontend/Parser.h"
#include "frontend/SourceLocation.h"
#include "interp/ScriptWarnings.h"
#include "support/ScriptFile.h"

namespace quarn {
namespace {

namespace fs = std::filesystem;

// The names the `// warns:` comments use, in the order of WarningKind.
constexpr const char* kKindNames[] = {"unknown-selector", "not-a-number",     "undeclared-name",
                                      "undeclared-method", "unknown-receiver", "missing-sound"};
std::string kindName(WarningKind kind) {
  const auto at = static_cast<std::size_t>(kind);
  return at < std::size(kKindNames) ? kKindNames[at] : "unnamed kind " + std::to_string(at);
}

// Whole-script cases that parse, the README's example, and scripts outside tests/.
std::vector<fs::path> scriptsToLookAt() {
  const fs::path tests(QUARN_TEST_DATA_DIR);
  std::vector<fs::path> scripts;
  for (const char* folder : {"run", "render", "check"}) {
    for (const auto& entry : fs::directory_iterator(tests / "scripts" / folder)) {
      const fs::path& file = entry.path();
      if (file.extension() == ".quarn" && !fs::exists(fs::path(file).replace_extension(".error")))
        scripts.push_back(file);
    }
  }
  scripts.push_back(tests / "packaging" / "example.quarn");
  const fs::path root = tests.parent_path();
  for (auto entry = fs::recursive_directory_iterator(root); entry != fs::recursive_directory_iterator(); ++entry) {
    const std::string name = entry->path().filename().string();
    if (entry->is_directory() && (name == "tests" || name.starts_with("build") || name.starts_with("."))) {
      entry.disable_recursion_pending();
    } else if (entry->path().extension() == ".quarn") {
      scripts.push_back(entry->path());
    }
  }
  return scripts;
}

TEST(ScriptWarnings, EachScriptWarnsExactlyWhereItsCommentsSay) {
  const std::vector<std::string> kit = bundledSoundNames(fs::path(QUARN_BINARY_DIR) / "share/quarn/samples");
  ASSERT_FALSE(kit.empty()) << "the kit is built with the tests";
  std::set<std::string> kindsSeen;
  int scripts = 0;
  for (const fs::path& file : scriptsToLookAt()) {
    std::string error;
    const std::string text = readScript(file.string(), error).value_or("");
    ASSERT_EQ(error, "") << file;
    const ParseResult parsed = parseScript(text);
    ASSERT_TRUE(parsed.ok()) << file << ": " << parsed.error;
    std::vector<std::string> expected, found;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      if (const auto at = line.find("// warns: "); at != std::string::npos) expected.push_back(line.substr(at + 10));
    }
    const SourceLines places(text);
    for (const ScriptWarning& warning : findScriptWarnings(*parsed.program, kit)) {
      const SourceLocation where = places.locate(warning.span.offset);
      found.push_back(std::to_string(where.line) + ":" + std::to_string(where.column) + " " + kindName(warning.kind));
      EXPECT_GT(warning.span.length, 0u) << file;
      EXPECT_FALSE(warning.reason.empty()) << file;
      kindsSeen.insert(kindName(warning.kind));
    }
    for (const std::string& entry : expected) {
      if (!entry.ends_with(" everywhere")) continue;
      const std::string kind = " " + entry.substr(0, entry.size() - 11);
      EXPECT_GT(std::erase_if(found, [&](const std::string& f) { return f.ends_with(kind); }), 0u) << file;
    }
    std::erase_if(expected, [](const std::string& e) { return e.ends_with(" everywhere"); });
    EXPECT_EQ(found, expected) << file;
    ++scripts;
  }
  EXPECT_GT(scripts, 30);
  EXPECT_EQ(kindsSeen.size(), std::size(kKindNames)) << "every kind has a case";
}

}  // namespace
}  // namespace quarn
