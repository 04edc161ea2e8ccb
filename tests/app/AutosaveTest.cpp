// SPDX-License-Identifier: GPL-3.0-or-later
// Autosave: a slot per window, text newer than its file back, leftovers offered, failures said once.
#include "WorkbenchTestSupport.h"

#include <fstream>
#include <regex>

#include "app/QtText.h"

namespace quarn {
namespace {

namespace fs = std::filesystem;

using Autosave = WorkbenchFixture;

// Files written this far apart have different times, however coarse the file system's clock.
constexpr int kFileTimeStepMs = 30;

bool saysRestored(const WorkbenchWindow& window) {
  static const std::regex restored("Restored the text you were editing, autosaved at \\d\\d:\\d\\d:\\d\\d\\.");
  return std::regex_match(lastLineOf(window), restored);
}

TEST_F(Autosave, WindowsKeepTheirOwnTypingAndGetItBack) {
  const fs::path session = pathIn("session"), a = pathIn("a.quarn"), b = pathIn("b.quarn");
  std::ofstream(a) << "int a = 1;";
  std::ofstream(b) << "int b = 1;";
  // typed in at once, then ended without closing, as a crash or a kill ends them
  const std::pair<std::optional<fs::path>, std::string> typing[] = {
      {a, "int a = 2;"}, {b, "int b = 2;"}, {{}, "int u = 1;"}, {{}, "int u = 2;"}, {a, "int a = 3;"}};
  std::vector<std::unique_ptr<WorkbenchWindow>> crashed;
  for (const auto& [file, text] : typing) {
    QTest::qWait(kFileTimeStepMs);
    crashed.push_back(makeWindow(session));
    if (file) crashed.back()->startWith(file);
    crashed.back()->view().setSourceCode(text);
    crashed.back()->autosave();
  }
  crashed.clear();

  window->startWith(a);
  EXPECT_EQ(view().sourceCode(), "int a = 2;");
  EXPECT_TRUE(saysRestored(*window) && window->isWindowModified()) << view().logOutput();
  auto second = makeWindow(session);
  second->startWith(b);
  EXPECT_EQ(second->view().sourceCode(), "int b = 2;");
  // without a file, the newest leftover comes back: the second window on a.quarn
  auto third = makeWindow(session);
  third->startWith(std::nullopt);
  EXPECT_EQ(std::tuple(third->view().sourceCode(), third->file()), std::tuple("int a = 3;", a));
  EXPECT_TRUE(saysRestored(*third));

  chosenLeftover = 1;
  answers = {SaveAnswer::discard};
  EXPECT_TRUE(third->recover());
  ASSERT_EQ(leftoverLabels.size(), 2);
  EXPECT_TRUE(leftoverLabels[0].startsWith("Untitled, autosaved at ") && leftoverLabels[0].endsWith(": int u = 2;"));
  EXPECT_EQ(std::tuple(third->view().sourceCode(), third->file()), std::tuple("int u = 1;", std::nullopt));
  EXPECT_TRUE(lastLineOf(*third).starts_with("Recovered the text autosaved at ")) << lastLineOf(*third);
}

// Typing older than the file is not brought back; a window closed leaves nothing behind.
TEST_F(Autosave, OnlyWhatIsNewerThanTheFileComesBack) {
  const fs::path a = pathIn("a.quarn");
  std::ofstream(a) << "int a = 1;";
  window->startWith(a);
  view().setSourceCode("int a = 2;");
  window->autosave();
  window = makeWindow(pathIn("session"));
  fs::last_write_time(a, fs::file_time_type::clock::now() + std::chrono::seconds(5));
  window->startWith(a);
  EXPECT_EQ(std::tuple(view().sourceCode(), view().logOutput()), std::tuple("int a = 1;", "Quarn Compiler Ready."));
  view().setSourceCode("int a = 3;");
  answers = {SaveAnswer::discard};
  window->show();
  window->close();
  window.reset();
  EXPECT_TRUE(fs::is_empty(pathIn("session") / "autosave"));
}

// XDG_DATA_HOME naming a file: one line, a mark in the title, another try on every autosave.
TEST_F(Autosave, AFailingAutosaveIsSaidOnceAndTriedAgain) {
  std::ofstream(pathIn("data")) << "not a folder";
  qputenv("XDG_DATA_HOME", pathIn("data").c_str());
  window = makeWindow(ScriptSession::defaultFolder());
  qunsetenv("XDG_DATA_HOME");
  view().setSourceCode("int a = 1;");
  for (int i = 0; i < 3; ++i) window->autosave();
  EXPECT_EQ(view().logOutput(), "Quarn Compiler Ready.\nCould not autosave to " +
                                    (pathIn("data") / "quarn" / "autosave").string() +
                                    ": Not a directory. Typing is kept only in this window until this is mended "
                                    "(check that folder); trying again every 2 s.");
  EXPECT_EQ(window->windowTitle(), "Untitled[*] — autosave failing");
  fs::remove(pathIn("data"));
  window->autosave();
  EXPECT_EQ(window->windowTitle(), "Untitled[*]");
  EXPECT_FALSE(window->recover()) << "a window's own autosave is no leftover";
}

}  // namespace
}  // namespace quarn
