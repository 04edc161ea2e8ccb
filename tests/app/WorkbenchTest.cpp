// The window over a silent engine, offscreen: its texts, both actions and their shortcuts, closing
// during a run, and a grab of its colours (saved as workbench.png in the build tree for the eye).
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <mutex>
#include <tuple>

#include "app/QuarnApp.h"
#include "frontend/Parser.h"
#include "support/Diagnostics.h"

namespace quarn {
namespace {

constexpr int kPatienceMs = 30000;  // runs take milliseconds; a loaded machine may be slow
const std::string kStarted = "Compiling...\nAST successfully built. Execution started in background...\n";
const std::string kComplete = kStarted + "Execution complete.";
const std::string kHalted = "[VRKLog] System halted. ";

struct QtApplication : ::testing::Environment {
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit());  // not /tmp/runtime-USER, left behind
    app = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { app.reset(); }
  QTemporaryDir runtimeDir;
  int argc = 1;
  char name[10] = "app_tests", *argv[2] = {name, nullptr};
  std::unique_ptr<QApplication> app;
};
[[maybe_unused]] auto* const qtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

class WorkbenchWindow : public ::testing::Test {
protected:
  void SetUp() override {
    setLineSink([this](std::string_view line) { std::lock_guard guard(mutex); lines.emplace_back(line); });
  }
  // What still runs stops at its next statement.
  void TearDown() override { setLineSink({}); if (engine) engine->isRunning.store(false); }
  std::vector<std::string> output() { std::lock_guard guard(mutex); return lines; }
  void show() { view->show(); ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get())); }
  bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, kPatienceMs); }
  bool waitForLog(const std::string& text) { return waitFor([&] { return view->logOutput() == text; }); }
  template <typename T> T* child(const char* name) { return view->findChild<T*>(name); }

  std::mutex mutex;
  std::vector<std::string> lines;
  std::shared_ptr<EngineManager> engine = std::make_shared<EngineManager>("/nonexistent", AudioOutput::none);
  SynthVoice& voice = *engine->synth->pointer;
  std::unique_ptr<ContentView> view = QuarnApp::makeWindow(engine);
};
using WorkbenchRun = WorkbenchWindow;
using WorkbenchHalt = WorkbenchWindow;

TEST_F(WorkbenchWindow, FreshWindowShowsItsTexts) {
  EXPECT_EQ(view->sourceCode(),
            "[tb303 setFrequency:110.0];\n[tb303 setCutoff:FrequencyHigh];\n[tb303 setResonance:Maximum];");
  EXPECT_EQ(view->logOutput(), "Quarn Compiler Ready.");
  EXPECT_EQ(child<QLabel>("console")->text(), "Quarn Compiler Ready.");
  EXPECT_EQ(child<QPushButton>("compileButton")->text(), "Compile and Run");
  EXPECT_EQ(child<QPushButton>("haltButton")->text(), "[tb303 release];");
  EXPECT_TRUE(view->windowTitle().isEmpty());
  EXPECT_FALSE(engine->isRunning.load());
}

TEST_F(WorkbenchRun, InitialScriptSetsTheVoiceButLeavesItOff) {
  synthSetCutoff(&voice, 0.3f);
  show();
  EXPECT_FALSE(voice.isPlaying.load()) << "showing the window starts the engine with the voice off";
  QTest::mouseClick(child<QPushButton>("compileButton"), Qt::LeftButton);
  EXPECT_EQ(view->logOutput(), kStarted) << "compiling happens before the click returns";
  ASSERT_TRUE(waitForLog(kComplete)) << view->logOutput();
  EXPECT_EQ(child<QLabel>("console")->text().toStdString(), kComplete);
  EXPECT_EQ(std::tuple(voice.frequency.load(), voice.cutoff.load(), voice.resonance.load()),
            std::tuple(110.0f, 1.0f, 1.0f));
  EXPECT_FALSE(voice.isPlaying.load());
}

TEST_F(WorkbenchRun, EmptyEditorCompletesAndEndsItsSequences) {
  view->setSourceCode("");
  view->compileAndRun();
  EXPECT_TRUE(engine->isRunning.load());
  ASSERT_TRUE(waitForLog(kComplete)) << view->logOutput();
  ASSERT_TRUE(waitFor([&] { return !output().empty(); }));
  EXPECT_EQ(output(), std::vector<std::string>{"End of all sequences."});
}

TEST_F(WorkbenchRun, ParseErrorShowsTheMessageAndRunsNothing) {
  const std::string script = "[tb303 setFrequency:220.0];\n[tb303 setCutoff:";
  const std::string error = compile(script).error;
  ASSERT_EQ(error.rfind("Parsing error: ", 0), 0u);
  view->setSourceCode(script);
  view->compileAndRun();
  QTest::qWait(300);  // a job started by mistake would have run by now
  EXPECT_EQ(view->logOutput(), "Compiling...\n" + error);
  EXPECT_EQ(voice.frequency.load(), 440.0f);
  EXPECT_TRUE(output().empty());
}

TEST_F(WorkbenchHalt, DuringAWaitSkipsTheRestAndStillCompletes) {
  view->setSourceCode("[tb303 setFrequency:220.0];\n[self wait:1];\n[tb303 setFrequency:330.0];");
  view->compileAndRun();
  ASSERT_TRUE(waitFor([&] { return voice.frequency.load() == 220.0f; }));
  view->haltSystem();
  EXPECT_EQ(view->logOutput(), kHalted);
  ASSERT_TRUE(waitForLog("[VRKLog] System halted. Execution complete.")) << view->logOutput();
  EXPECT_EQ(voice.frequency.load(), 220.0f) << "no statement runs after the halt";
}

// Ctrl+Period halts with nothing running: the run has completed.
TEST_F(WorkbenchWindow, ShortcutsWorkWhileTheEditorHasTheFocus) {
  show();
  view->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
  auto* editor = child<QPlainTextEdit>("editor");
  editor->setFocus();
  view->setSourceCode("[tb303 setFrequency:220.0];");
  QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
  ASSERT_TRUE(waitForLog(kComplete)) << view->logOutput();
  EXPECT_EQ(voice.frequency.load(), 220.0f);
  synthSetPlaying(&voice, true);
  QTest::keyClick(editor, Qt::Key_Period, Qt::ControlModifier);
  EXPECT_EQ(view->logOutput(), kHalted);
  EXPECT_FALSE(engine->isRunning.load());
  EXPECT_FALSE(voice.isPlaying.load());
  EXPECT_EQ(view->sourceCode(), "[tb303 setFrequency:220.0];") << "the editor took a keystroke";
}

// Runs hold the engine until their waits end; nothing reaches the gone window; the app leaves normally.
TEST_F(WorkbenchWindow, ClosingDuringARunStopsIt) {
  const std::shared_ptr<SynthWrapper> synth = engine->synth;  // to read the voice after the engine
  const std::weak_ptr<EngineManager> engineLeft = engine;
  engine.reset();
  show();
  view->setSourceCode("[tb303 setFrequency:221.0];\nasync { [self wait:0.3]; [tb303 setCutoff:0.25]; }\n"
                      "[self wait:0.3];\n[tb303 setFrequency:550.0];");
  view->compileAndRun();
  ASSERT_TRUE(waitFor([&] { return synth->pointer->frequency.load() == 221.0f; }));
  view->close();
  EXPECT_FALSE(view->engine()->isRunning.load());
  view.reset();
  ASSERT_TRUE(waitFor([&] { return engineLeft.expired(); }));
  QTest::qWait(50);  // deliver anything posted (nothing should be)
  EXPECT_EQ(synth->pointer->frequency.load(), 221.0f);
  EXPECT_NE(synth->pointer->cutoff.load(), 0.25f);
  EXPECT_TRUE(output().empty());
  EXPECT_EQ(QuarnApp::finish(3, engineLeft), 3);
}

// A pixel near the bottom-right corner of a widget, away from its text.
QColor cornerColour(const QImage& image, const QWidget* widget) {
  return image.pixelColor(widget->geometry().right() - 4, widget->geometry().bottom() - 3);
}

TEST_F(WorkbenchWindow, GrabShowsTheSizeAndColoursOfEachRegion) {
  show();
  view->setSourceCode("[tb303 play];\n[self wait:1];");
  QTest::mouseClick(child<QPushButton>("haltButton"), Qt::LeftButton);  // a console text of some length
  EXPECT_EQ(view->logOutput(), kHalted);
  const QImage image = view->grab().toImage();
  EXPECT_TRUE(image.save(QString(QUARN_BINARY_DIR) + "/workbench.png"));
  ASSERT_EQ(image.size(), QSize(600, 400));
  EXPECT_EQ(view->minimumSize(), view->maximumSize()) << "the window cannot be resized";
  EXPECT_LT(cornerColour(image, child<QPlainTextEdit>("editor")).lightness(), 80);
  int greenTextPixels = 0;  // the two script lines sit in the editor's top-left corner
  for (int i = 0; i < 200 * 50; ++i) {
    const QColor c = image.pixelColor(i % 200, i / 200);
    greenTextPixels += c.green() > 150 && c.red() < 80 && c.blue() < 80;
  }
  EXPECT_GT(greenTextPixels, 50);
  const QColor blue = cornerColour(image, child<QPushButton>("compileButton"));
  EXPECT_TRUE(blue.blue() > blue.red() + 100 && blue.blue() > blue.green() + 50) << blue.name().toStdString();
  const QColor red = cornerColour(image, child<QPushButton>("haltButton"));
  EXPECT_TRUE(red.red() > red.green() + 100 && red.red() > red.blue() + 100) << red.name().toStdString();
  const QColor gray = cornerColour(image, child<QLabel>("console"));
  EXPECT_TRUE(gray.lightness() > 150 && gray.lightness() < 250 && std::abs(gray.red() - gray.blue()) <= 12)
      << gray.name().toStdString();
}

}  // namespace
}  // namespace quarn
