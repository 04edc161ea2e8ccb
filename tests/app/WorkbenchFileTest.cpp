// SPDX-License-Identifier: GPL-3.0-or-later
// Files: open, save, the unsaved-changes question, file errors, `quarn FILE`, Render to File, a kill.
#include "WorkbenchTestSupport.h"

#include <unistd.h>

#include <QMenu>
#include <QProcess>

#include "app/QtText.h"
#include "cli/TestFolder.h"

namespace quarn {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using WorkbenchFiles = WorkbenchFixture;

// This test program again, running one disabled test of the file with one more variable set.
void startChild(QProcess& child, const char* test, const char* variable, const QString& value) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(variable, value);
  child.setProcessEnvironment(environment);
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(QCoreApplication::applicationFilePath(),
              {QString("--gtest_filter=WorkbenchFiles.DISABLED_") + test, "--gtest_also_run_disabled_tests"});
}

// The Open Recent menu's entries as it shows them.
QStringList recentEntries(WorkbenchWindow& window) {
  QStringList entries;
  for (QMenu* menu : window.findChildren<QMenu*>()) {
    if (menu->title() != "Open &Recent") continue;
    emit menu->aboutToShow();
    for (QAction* action : menu->actions()) entries << action->text() + (action->isEnabled() ? "" : " (off)");
  }
  return entries;
}

TEST_F(WorkbenchFiles, OpenSaveAndSaveAs) {
  const fs::path beat = pathIn("beat.quarn"), copy = pathIn("copy.quarn");
  EXPECT_EQ(recentEntries(*window), QStringList{"No recent files (off)"});
  std::ofstream(beat) << "[tb303 play];\n";
  ASSERT_TRUE(showWithEditorFocused());
  chosenFile = beat;
  QTest::keyClick(editor(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(view().sourceCode(), "[tb303 play];\n");
  EXPECT_EQ(window->windowTitle().toStdString(), "beat.quarn[*] — no audio device: runs are silent");
  view().setSourceCode("[tb303 release];\n");
  EXPECT_TRUE(window->isWindowModified());
  ASSERT_TRUE(window->save());
  EXPECT_TRUE(readFile(beat) == "[tb303 release];\n" && !window->isWindowModified());
  chosenFile = copy;
  QTest::keyClick(editor(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(readFile(copy), "[tb303 release];\n");
  EXPECT_EQ(window->windowTitle().toStdString(), "copy.quarn[*] — no audio device: runs are silent");
  EXPECT_EQ(recentEntries(*window), (QStringList{pathText(copy), pathText(beat)}));
  for (int i = 0; i < 10; ++i) ScriptSession(pathIn("session")).addRecentFile(pathIn("more") / std::to_string(i));
  const QStringList recent = recentEntries(*window);
  EXPECT_EQ(recent.size(), static_cast<qsizetype>(kMaxRecentFiles));
  EXPECT_EQ(recent.front(), pathText(pathIn("more") / "9"));
  EXPECT_TRUE(questions.empty());
}

TEST_F(WorkbenchFiles, UnsavedChangesAreAskedAbout) {
  view().setSourceCode("int a = 1;");
  answers = {SaveAnswer::cancel};
  EXPECT_FALSE(window->newScript());
  EXPECT_EQ(view().sourceCode(), "int a = 1;");
  EXPECT_EQ(questions, std::vector<std::string>{"Untitled has unsaved changes. Save them first?"});
  window->show();
  answers = {SaveAnswer::cancel, SaveAnswer::save};
  window->close();
  EXPECT_TRUE(window->isVisible()) << "Cancel keeps the window open";
  chosenFile = pathIn("kept.quarn");
  EXPECT_TRUE(window->newScript());
  EXPECT_TRUE(readFile(*chosenFile) == "int a = 1;" && view().sourceCode().empty());
  view().setSourceCode("int b = 2;");
  answers = {SaveAnswer::discard};
  EXPECT_TRUE(window->open());
  EXPECT_EQ(view().sourceCode(), "int a = 1;");
  EXPECT_EQ(questions.size(), 4u);
}

// A fresh start, `quarn FILE` for a file there or one to make, and what a file error says.
TEST_F(WorkbenchFiles, StartsWithTheFileGivenAndSaysWhatToDoOnErrors) {
  window->startWith(std::nullopt);
  EXPECT_TRUE(view().sourceCode() == kInitialSourceCode && !window->isWindowModified()) << "a fresh install";
  const fs::path beat = pathIn("beat.quarn");
  std::ofstream(beat) << "[tb303 play];";
  auto given = makeWindow(pathIn("session")), fresh = makeWindow(pathIn("session"));
  given->startWith(beat);
  fresh->startWith(pathIn("fresh.quarn"));
  EXPECT_EQ(std::tuple(given->view().sourceCode(), given->file()), std::tuple("[tb303 play];", beat));
  EXPECT_EQ(std::tuple(fresh->view().sourceCode(), fresh->windowTitle()), std::tuple("", "fresh.quarn[*]"));
  EXPECT_FALSE(fs::exists(pathIn("fresh.quarn"))) << "saving creates it";

  fs::resize_file((std::ofstream(pathIn("huge.quarn")), pathIn("huge.quarn")), kMaxScriptBytes + 1);
  // what Save would write back with fewer or other bytes is not opened
  std::ofstream(pathIn("nul.quarn"), std::ios::binary) << std::string("int a;\n\0int b;", 15);
  std::ofstream(pathIn("latin1.quarn"), std::ios::binary) << "int a;\n// caf\xe9\n";
  const std::string retry = ". Check the name and try again.";
  const struct { const char* name; std::string said; } cases[] = {
      {"missing.quarn", ": No such file or directory" + retry}, {"", ": it is a folder" + retry},
      {"huge.quarn", ": it is larger than 8 MB" + retry},
      {"nul.quarn", ": it holds a NUL byte on line 2, so it is not a script text" + retry},
      {"latin1.quarn", ": it is not UTF-8 text (line 2), and saving it would change its bytes. Convert it to UTF-8 "
                       "and open it again."}};
  for (const auto& c : cases) {
    EXPECT_FALSE(window->openFile(pathIn(c.name))) << c.name;
    EXPECT_EQ(lastLine(), "Could not open " + pathIn(c.name).string() + c.said);
  }
  EXPECT_FALSE(window->saveTo(pathIn("no/such/folder.quarn")));
  EXPECT_TRUE(lastLine().starts_with("Could not save " + pathIn("no/such/folder.quarn").string() + ": ")) << lastLine();
  EXPECT_TRUE(lastLine().ends_with(". Use Save As to choose another place.")) << lastLine();
  EXPECT_EQ(std::ranges::count(view().logOutput(), '\n'), 6) << "a line each";
  EXPECT_EQ(window->windowTitle(), "Untitled[*]");
}

// One at a time; a cancel, a parse error or a halt writes nothing; a render outlives its window.
TEST_F(WorkbenchFiles, RenderToFile) {
  ASSERT_TRUE(showWithEditorFocused());
  view().setSourceCode("[nobody here];\n[tb303 setFrequency:110];\n[tb303 play];\n[self wait:0.5];\n[tb303 release];\n");
  chosenFile = pathIn("out.wav");
  QTest::keyClick(editor(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(suggestedFile, "untitled.wav");
  EXPECT_TRUE(window->isRendering() && !window->renderToFile());
  const std::string rendering = "Quarn Compiler Ready.\nRendering to out.wav…";
  EXPECT_EQ(view().logOutput(), rendering);
  // the default tail of two seconds follows the script's half second
  ASSERT_TRUE(waitForLog(rendering + "\nRendered out.wav (2.50 s of audio).")) << view().logOutput();
  EXPECT_EQ(fs::file_size(pathIn("out.wav")), 44 + 4 * 110250u);  // 16-bit stereo

  ASSERT_TRUE(window->saveTo(pathIn("beat.quarn")));
  const std::string script = view().sourceCode(), log = view().logOutput();
  view().setSourceCode("[tb303 play\n");
  chosenFile.reset();
  EXPECT_FALSE(window->renderToFile());  // cancelled: nothing said, nothing marked
  EXPECT_TRUE(suggestedFile == pathIn("beat.wav") && view().logOutput() == log && editor()->markersAtLine(1) == 0u);
  chosenFile = pathIn("beat.wav");
  EXPECT_FALSE(window->renderToFile());
  EXPECT_FALSE(window->isRendering() || fs::exists(pathIn("beat.wav")));
  EXPECT_TRUE(view().logOutput().find("\nParsing error") != std::string::npos &&
              view().logOutput().find("\nat line ") != std::string::npos) << view().logOutput();
  EXPECT_NE(editor()->markersAtLine(0) | editor()->markersAtLine(1), 0u);

  // the halt stops a render that would end only once stuck, or inside one wait of an hour
  for (const char* endless : {"- (void) f { async { [self f]; } }\n[self f];\n", "[self wait:3600];\n"}) {
    view().setSourceCode(endless);
    chosenFile = pathIn("endless.wav");
    ASSERT_TRUE(window->renderToFile());
    if (endless[0] == '[') QTest::qWait(50);  // well inside the wait
    view().haltSystem();
    ASSERT_TRUE(waitFor([&] { return !window->isRendering(); }));
    EXPECT_TRUE(view().logOutput().find("halted before the end; nothing was written") != std::string::npos &&
                !fs::exists(pathIn("endless.wav"))) << view().logOutput();
  }

  view().setSourceCode(script);
  chosenFile = pathIn("late.wav");
  ASSERT_TRUE(window->renderToFile());
  window.reset();
  ASSERT_TRUE(waitFor([&] { return fs::exists(pathIn("late.wav")); }));
  QTest::qWait(100);  // a delivery posted to the window is dropped with it
}

// The child of the test below: leaves as Quit does while a render of minutes is being written.
TEST_F(WorkbenchFiles, DISABLED_ChildQuitsDuringARender) {
  const fs::path output(qEnvironmentVariable("QUARN_TEST_RENDER_TO").toStdString());
  view().setSourceCode("[tb303 play];\n[self wait:3600];\n");
  chosenFile = output;
  ASSERT_TRUE(window->renderToFile());
  ASSERT_TRUE(waitFor([&] {
    for (const auto& entry : fs::directory_iterator(output.parent_path()))
      if (entry.path().filename().string().starts_with(".out.wav.") && entry.file_size() > 0) return true;
    return false;
  }));
  QuarnApp::finish(0, std::move(window));  // leaves at once
}

TEST_F(WorkbenchFiles, QuittingDuringARenderLeavesNoTemporary) {
  QProcess child;
  fs::create_directory(pathIn("renders"));
  startChild(child, "ChildQuitsDuringARender", "QUARN_TEST_RENDER_TO", pathText(pathIn("renders") / "out.wav"));
  ASSERT_TRUE(child.waitForFinished(kPatienceMs));
  EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
  EXPECT_TRUE(fs::is_empty(pathIn("renders")));
}

// The child half of the test below: types, waits for the autosave, says so, and waits to be killed.
TEST_F(WorkbenchFiles, DISABLED_ChildTypesUntilKilled) {
  window = makeWindow(ScriptSession::defaultFolder());
  window->startWith(std::nullopt);
  ASSERT_TRUE(showWithEditorFocused());
  QTest::keyClick(editor(), Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(editor(), "\r[tb303 play];");
  ASSERT_TRUE(waitFor([] {
    std::error_code ignored;
    for (const auto& slot : fs::directory_iterator(ScriptSession(ScriptSession::defaultFolder()).autosaveFolder(), ignored))
      if (readFile(slot.path()).ends_with("play];")) return true;
    return false;
  }));
  ::write(STDOUT_FILENO, "typed\n", 6);
  QTest::qWait(60000);
}

TEST_F(WorkbenchFiles, TypingComesBackAfterAKill) {
  qputenv("XDG_DATA_HOME", folder.path().toUtf8());
  QProcess child;
  startChild(child, "ChildTypesUntilKilled", "TMPDIR", folder.path());  // killed, it cannot remove its temporaries
  QByteArray said;
  const bool typed = waitFor([&] { return (said += child.readAllStandardOutput()).contains("typed\n"); });
  child.kill();
  child.waitForFinished();
  ASSERT_TRUE(typed) << said.toStdString();
  window = makeWindow(ScriptSession::defaultFolder());
  window->startWith(std::nullopt);
  EXPECT_EQ(view().sourceCode(), std::string(kInitialSourceCode) + "\n[tb303 play];");
  EXPECT_TRUE(window->isWindowModified()) << "not saved to any file yet";
}

}  // namespace
}  // namespace quarn
