// The two actions behind the buttons: compile and run, halt, and what reaches
// the console and standard output.

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "WorkbenchFixture.h"
#include "frontend/Parser.h"

namespace quarn::test {
namespace {

const char* const kReady = "Quarn Compiler Ready.";
const char* const kStarted = "Compiling...\nAST successfully built. Execution started in background...\n";
const char* const kComplete =
    "Compiling...\nAST successfully built. Execution started in background...\nExecution complete.";
const char* const kHalted = "[VRKLog] System halted. ";

using WorkbenchRun = WorkbenchFixture;

TEST_F(WorkbenchRun, FreshWindowShowsTheDefaultScriptAndTheReadyLine) {
  EXPECT_EQ(view->sourceCode(),
            "[tb303 setFrequency:110.0];\n[tb303 setCutoff:FrequencyHigh];\n[tb303 setResonance:Maximum];");
  EXPECT_EQ(view->logOutput(), kReady);
  EXPECT_EQ(view->findChild<QLabel*>("console")->text().toStdString(), kReady);
  EXPECT_FALSE(engine->isRunning.load());
}

TEST_F(WorkbenchRun, DefaultScriptSetsTheVoiceButLeavesItOff) {
  synthSetFrequency(&voice(), 440.0f);
  synthSetCutoff(&voice(), 0.3f);
  synthSetResonance(&voice(), 0.2f);
  showView();
  EXPECT_FALSE(voice().isPlaying.load()) << "showing the window starts the engine with the voice off";

  QTest::mouseClick(view->findChild<QPushButton*>("compileButton"), Qt::LeftButton);
  EXPECT_EQ(view->logOutput(), kStarted) << "compiling happens before the click returns";
  ASSERT_TRUE(waitForLog(kComplete)) << view->logOutput();

  EXPECT_FLOAT_EQ(voice().frequency.load(), 110.0f);
  EXPECT_FLOAT_EQ(voice().cutoff.load(), 1.0f);
  EXPECT_FLOAT_EQ(voice().resonance.load(), 1.0f);
  EXPECT_FALSE(voice().isPlaying.load());
  EXPECT_EQ(view->findChild<QLabel*>("console")->text().toStdString(), kComplete);
}

TEST_F(WorkbenchRun, EmptyScriptCompletesAndReportsTheEndOnStandardOutput) {
  view->setSourceCode("");
  view->compileAndRun();
  EXPECT_TRUE(engine->isRunning.load());
  ASSERT_TRUE(waitForLog(kComplete)) << view->logOutput();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !output.lines().empty(); }, kPatienceMs));
  EXPECT_EQ(output.lines(), std::vector<std::string>{"End of all sequences."});
}

TEST_F(WorkbenchRun, HaltWithNothingRunningSilencesEverything) {
  engine->isRunning.store(true);
  synthSetPlaying(&voice(), true);
  QTest::mouseClick(view->findChild<QPushButton*>("haltButton"), Qt::LeftButton);
  EXPECT_EQ(view->logOutput(), kHalted);
  EXPECT_FALSE(engine->isRunning.load());
  EXPECT_FALSE(voice().isPlaying.load());
}

TEST_F(WorkbenchRun, HaltDuringAWaitSkipsTheRestAndStillCompletes) {
  view->setSourceCode("[tb303 setFrequency:220.0];\n[self wait:1];\n[tb303 setFrequency:330.0];");
  view->compileAndRun();
  ASSERT_TRUE(QTest::qWaitFor([&] { return voice().frequency.load() == 220.0f; }, kPatienceMs));
  view->haltSystem();
  EXPECT_EQ(view->logOutput(), kHalted);

  ASSERT_TRUE(waitForLog("[VRKLog] System halted. Execution complete.")) << view->logOutput();
  EXPECT_FLOAT_EQ(voice().frequency.load(), 220.0f) << "no statement runs after the halt";
}

TEST_F(WorkbenchRun, ParseErrorShowsTheMessageAndRunsNothing) {
  const std::string script = "[tb303 setFrequency:220.0];\n[tb303 setCutoff:";
  const ParseResult expected = compile(script);
  ASSERT_FALSE(expected.ok());
  synthSetFrequency(&voice(), 440.0f);

  view->setSourceCode(script);
  view->compileAndRun();
  EXPECT_EQ(view->logOutput(), "Compiling...\n" + expected.error);
  EXPECT_EQ(expected.error.rfind("Parsing error: ", 0), 0u);

  QTest::qWait(300);  // a job started by mistake would have run by now
  EXPECT_EQ(view->logOutput(), "Compiling...\n" + expected.error);
  EXPECT_FLOAT_EQ(voice().frequency.load(), 440.0f);
  EXPECT_TRUE(output.lines().empty());
}

TEST_F(WorkbenchRun, SecondRunReplacesTheConsoleAndKeepsNoVariables) {
  view->setSourceCode("float f = 123.0;\n[tb303 setFrequency:f];");
  view->compileAndRun();
  ASSERT_TRUE(waitForLog(kComplete));
  synthSetFrequency(&voice(), 440.0f);

  view->setSourceCode("[tb303 setFrequency:f];");
  view->compileAndRun();
  ASSERT_TRUE(waitForLog(kComplete));
  auto reportsUndefinedF = [&] {
    for (const std::string& line : output.lines()) {
      if (line.find("Reference error") != std::string::npos && line.find("'f'") != std::string::npos) {
        return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(QTest::qWaitFor(reportsUndefinedF, kPatienceMs)) << "f belonged to the first run";
  EXPECT_FLOAT_EQ(voice().frequency.load(), 440.0f);
}

TEST_F(WorkbenchRun, AsyncBodiesGoOnAfterTheRunCompletes) {
  view->setSourceCode("async { [self wait:0.5]; [tb303 setFrequency:660.0]; }");
  view->compileAndRun();
  ASSERT_TRUE(waitForLog(kComplete));
  EXPECT_TRUE(QTest::qWaitFor([&] { return voice().frequency.load() == 660.0f; }, kPatienceMs))
      << "the async body goes on after the report";
}

}  // namespace
}  // namespace quarn::test
