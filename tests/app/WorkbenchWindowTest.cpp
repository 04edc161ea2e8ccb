// The window as a user meets it: keyboard shortcuts from inside the editor,
// closing during a run, and the way the application leaves.

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "WorkbenchFixture.h"
#include "app/QuarnApp.h"

namespace quarn::test {
namespace {

using WorkbenchShortcuts = WorkbenchFixture;

TEST_F(WorkbenchShortcuts, WorkWhileTheEditorHasTheFocus) {
  showView();
  view->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
  auto* editor = view->findChild<QPlainTextEdit*>("editor");
  editor->setFocus();
  view->setSourceCode("[tb303 setFrequency:220.0];");

  QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(view->sourceCode(), "[tb303 setFrequency:220.0];") << "the editor must not take the keystroke";
  ASSERT_TRUE(waitForLog(
      "Compiling...\nAST successfully built. Execution started in background...\nExecution complete."))
      << view->logOutput();
  EXPECT_FLOAT_EQ(voice().frequency.load(), 220.0f);

  synthSetPlaying(&voice(), true);
  QTest::keyClick(editor, Qt::Key_Period, Qt::ControlModifier);
  EXPECT_EQ(view->logOutput(), "[VRKLog] System halted. ");
  EXPECT_FALSE(engine->isRunning.load());
  EXPECT_FALSE(voice().isPlaying.load());
  EXPECT_EQ(view->sourceCode(), "[tb303 setFrequency:220.0];");
}

TEST_F(WorkbenchShortcuts, PlainReturnStillEdits) {
  showView();
  auto* editor = view->findChild<QPlainTextEdit*>("editor");
  editor->setFocus();
  view->setSourceCode("");
  QTest::keyClicks(editor, "a");
  QTest::keyClick(editor, Qt::Key_Return);
  QTest::keyClicks(editor, "b");
  EXPECT_EQ(view->sourceCode(), "a\nb");
  EXPECT_EQ(view->logOutput(), "Quarn Compiler Ready.");
}

TEST(WorkbenchClose, ClosingDuringARunStopsItAndNeverReportsToTheGoneWindow) {
  CapturedLines output;
  auto engine = silentEngine();
  const std::shared_ptr<SynthWrapper> synth = engine->synth;  // outlives the engine to read the voice
  std::weak_ptr<EngineManager> engineLeft = engine;
  const std::atomic<bool>& isRunning = engine->isRunning;  // valid while the view lives
  auto view = QuarnApp::makeWindow(std::move(engine));
  view->show();
  view->setSourceCode(
      "[tb303 setFrequency:221.0];\n"
      "async { [self wait:0.3]; [tb303 setCutoff:0.25]; }\n"
      "[self wait:0.3];\n[tb303 setFrequency:550.0];");
  view->compileAndRun();
  ASSERT_TRUE(QTest::qWaitFor([&] { return synth->pointer->frequency.load() == 221.0f; }, kPatienceMs));
  view->close();
  EXPECT_FALSE(isRunning.load());
  view.reset();

  // the runs hold the engine until their waits end, then let it go
  ASSERT_TRUE(QTest::qWaitFor([&] { return engineLeft.expired(); }, kPatienceMs));
  QTest::qWait(50);  // deliver anything posted (nothing should be)
  EXPECT_FLOAT_EQ(synth->pointer->frequency.load(), 221.0f);
  EXPECT_NE(synth->pointer->cutoff.load(), 0.25f);
  EXPECT_TRUE(output.lines().empty());
}

TEST(WorkbenchExit, ReturnsTheStatusWhenTheEngineWentWithTheWindow) {
  std::weak_ptr<EngineManager> gone;
  {
    auto engine = silentEngine();
    gone = engine;
  }
  EXPECT_EQ(QuarnApp::finish(3, gone), 3);
}

TEST(WorkbenchExitDeathTest, LeavesAtOnceWhileARunStillHoldsTheEngine) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        auto engine = silentEngine();
        auto view = QuarnApp::makeWindow(engine);
        std::weak_ptr<EngineManager> engineLeft = engine;
        engine.reset();
        SynthVoice* voice = view->engine()->synth->pointer;
        view->setSourceCode("[tb303 setFrequency:221.0];\n[self wait:600];");
        view->compileAndRun();
        // once the run is on its way to the wait it keeps the engine for ten minutes
        if (!QTest::qWaitFor([&] { return voice->frequency.load() == 221.0f; }, kPatienceMs)) {
          std::_Exit(99);  // the run never started
        }
        view.reset();
        QuarnApp::finish(4, engineLeft);
      },
      ::testing::ExitedWithCode(4), "");
}

}  // namespace
}  // namespace quarn::test
