// Files and the kept session: open, save, save as, the unsaved-changes question, what a
// file error says, `quarn FILE`, and the text coming back after the process is killed.
#include "WorkbenchTestSupport.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <QMenu>

#include "app/QtText.h"


extern char** environ;

namespace quarn {
namespace {

namespace fs = std::filesystem;


std::string readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

using WorkbenchFiles = WorkbenchFixture;

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
  writeFile(beat, "[tb303 play];\n");
  show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  chosenFile = beat;
  QTest::keyClick(editor(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(view().sourceCode(), "[tb303 play];\n");
  EXPECT_EQ(window->windowTitle().toStdString(), "beat.quarn[*] — no audio device: runs are silent");
  EXPECT_FALSE(window->isWindowModified());
  view().setSourceCode("[tb303 release];\n");
  EXPECT_TRUE(window->isWindowModified());
  ASSERT_TRUE(window->save());
  EXPECT_EQ(readFile(beat), "[tb303 release];\n");
  EXPECT_FALSE(window->isWindowModified());
  chosenFile = copy;
  QTest::keyClick(editor(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(readFile(copy), "[tb303 release];\n");
  EXPECT_EQ(window->windowTitle().toStdString(), "copy.quarn[*] — no audio device: runs are silent");
  EXPECT_EQ(recentEntries(*window), (QStringList{pathText(copy), pathText(beat)}));
  for (int i = 0; i < 10; ++i) ScriptSession(sessionFolder()).addRecentFile(pathIn("more") / std::to_string(i));
  EXPECT_EQ(recentEntries(*window).size(), static_cast<qsizetype>(kMaxRecentFiles));
  EXPECT_EQ(recentEntries(*window).front(), pathText(pathIn("more") / "9"));
  EXPECT_TRUE(questions.empty());
}

TEST_F(WorkbenchFiles, UnsavedChangesAreAskedAbout) {
  view().setSourceCode("int a = 1;");
  answers = {SaveAnswer::cancel};
  EXPECT_FALSE(window->newScript());
  EXPECT_EQ(view().sourceCode(), "int a = 1;");
  EXPECT_EQ(questions, std::vector<std::string>{"Untitled has unsaved changes. Save them first?"});
  window->show();
  answers = {SaveAnswer::cancel};
  window->close();
  EXPECT_TRUE(window->isVisible()) << "Cancel keeps the window open";
  answers = {SaveAnswer::save};
  chosenFile = pathIn("kept.quarn");
  EXPECT_TRUE(window->newScript());
  EXPECT_EQ(readFile(*chosenFile), "int a = 1;");
  EXPECT_EQ(view().sourceCode(), "");
  view().setSourceCode("int b = 2;");
  answers = {SaveAnswer::discard};
  chosenFile = pathIn("kept.quarn");
  EXPECT_TRUE(window->open());
  EXPECT_EQ(view().sourceCode(), "int a = 1;");
  EXPECT_EQ(questions.size(), 4u);
}

TEST_F(WorkbenchFiles, FileErrorsSayWhatToDo) {
  EXPECT_FALSE(window->openFile(pathIn("missing.quarn")));
  EXPECT_FALSE(window->openFile(pathIn("")));
  fs::resize_file((std::ofstream(pathIn("huge.quarn")), pathIn("huge.quarn")), kMaxScriptBytes + 1);
  EXPECT_FALSE(window->openFile(pathIn("huge.quarn")));
  EXPECT_FALSE(window->saveTo(pathIn("no/such/folder.quarn")));
  const QStringList lines = console()->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 5);
  EXPECT_EQ(lines[1].toStdString(), "Could not open " + pathIn("missing.quarn").string() +
                                        ": No such file or directory. Check the name and try again.");
  EXPECT_EQ(lines[2].toStdString(), "Could not open " + pathIn("").string() + ": it is a folder. Check the name and try again.");
  EXPECT_EQ(lines[3].toStdString(), "Could not open " + pathIn("huge.quarn").string() +
                                        ": it is larger than 8 MB. Check the name and try again.");
  EXPECT_TRUE(lines[4].startsWith(QString::fromStdString("Could not save " + pathIn("no/such/folder.quarn").string() + ": ")));
  EXPECT_TRUE(lines[4].endsWith(". Use Save As to choose another place.")) << lines[4].toStdString();
  EXPECT_EQ(window->windowTitle(), "Untitled[*]");
}

TEST_F(WorkbenchFiles, StartsWithTheFileGivenOrANewOne) {
  const fs::path beat = pathIn("beat.quarn");
  writeFile(beat, "[tb303 play];");
  window->startWith(beat);
  EXPECT_EQ(view().sourceCode(), "[tb303 play];");
  EXPECT_EQ(window->file(), beat);
  auto second = makeWindow();
  second->startWith(pathIn("fresh.quarn"));
  EXPECT_EQ(second->view().sourceCode(), "");
  EXPECT_EQ(second->windowTitle(), "fresh.quarn[*]");
  EXPECT_FALSE(fs::exists(pathIn("fresh.quarn"))) << "saving creates it";
}

// The child half of the test below: types, waits for the autosave, says so, and waits to be killed.
TEST_F(WorkbenchFiles, DISABLED_ChildTypesUntilKilled) {
  window = QuarnApp::makeWindow(engine, ScriptSession::defaultFolder(), scriptedDialogs());
  window->startWith(std::nullopt);
  show();
  editor()->setFocus();
  QTest::keyClick(editor(), Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(editor(), Qt::Key_Return);
  QTest::keyClicks(editor(), "[tb303 play];");
  ASSERT_TRUE(waitFor([] { return ScriptSession(ScriptSession::defaultFolder()).load().value_or(SessionState{}).text.ends_with("play];"); }));
  ::write(STDOUT_FILENO, "typed\n", 6);
  QTest::qWait(60000);
}

TEST_F(WorkbenchFiles, TypingComesBackAfterAKill) {
  qputenv("XDG_DATA_HOME", folder.path().toUtf8());
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  std::string self = fs::read_symlink("/proc/self/exe").string();
  std::string filter = "--gtest_filter=WorkbenchFiles.DISABLED_ChildTypesUntilKilled";
  std::string disabled = "--gtest_also_run_disabled_tests";
  char* argv[] = {self.data(), filter.data(), disabled.data(), nullptr};
  pid_t child = 0;
  // killed, the child cannot remove its temporary folders: they go inside ours
  const QByteArray tmpdir = qgetenv("TMPDIR");
  qputenv("TMPDIR", folder.path().toUtf8());
  const int spawned = posix_spawn(&child, self.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  tmpdir.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmpdir);
  ASSERT_EQ(spawned, 0);
  ::close(out[1]);
  std::string said;
  char buffer[256];
  for (ssize_t n; said.find("typed\n") == std::string::npos && (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
    said.append(buffer, n);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(out[0]);
  ASSERT_NE(said.find("typed\n"), std::string::npos) << said;
  window = QuarnApp::makeWindow(engine, ScriptSession::defaultFolder(), scriptedDialogs());
  window->startWith(std::nullopt);
  EXPECT_EQ(view().sourceCode(), std::string(kInitialSourceCode) + "\n[tb303 play];");
  EXPECT_TRUE(window->isWindowModified()) << "not saved to any file yet";
  EXPECT_EQ(ScriptSession::defaultFolder(), fs::path(folder.path().toStdString()) / "quarn");
}

TEST_F(WorkbenchFiles, AFreshInstallStartsWithTheDefaultScript) {
  window->startWith(std::nullopt);
  EXPECT_EQ(view().sourceCode(), kInitialSourceCode);
  EXPECT_FALSE(window->isWindowModified());
}

}  // namespace
}  // namespace quarn
