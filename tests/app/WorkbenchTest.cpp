// SPDX-License-Identifier: GPL-3.0-or-later
// The window: look, keys, console, parse errors, closing during a run, and whether `quarn` may open it.
#include "WorkbenchTestSupport.h"

#include <QScrollBar>
#include <QTextBlock>

#include <future>
#include <map>

#include "app/DisplayCheck.h"
#include "frontend/Parser.h"

namespace quarn {
namespace {

const std::string kStarted = "Compiling...\nAST successfully built. Execution started in background...";
const std::string kComplete = kStarted + "\nExecution complete.\nEnd of all sequences.";
const std::string kHalted = "[VRKLog] System halted. ";
const std::string kNobodyLine = "Unknown Receiver: nobody object could not be found.";

using WorkbenchWindowTest = WorkbenchFixture;

// A pixel near the bottom-right corner of a widget, away from its text.
QColor cornerColour(const QImage& image, const QWidget* widget) {
  const QPoint corner = widget->mapTo(widget->window(), QPoint(widget->width() - 5, widget->height() - 4));
  return image.pixelColor(corner);
}

// However many lines a run prints, the console keeps its height and the newest kConsoleHistoryLines lines.
TEST_F(WorkbenchWindowTest, FreshWindowItsLookItsConsoleItsKeysAndClosingDuringARun) {
  synthSetCutoff(&voice, 0.3f);
  EXPECT_EQ(view().widgets().compileButton->text() + "|" + view().widgets().haltButton->text(),
            "Compile and Run|[tb303 release];");
  EXPECT_FALSE(window->isWindowModified() || engine->isRunning.load());
  ASSERT_TRUE(showWithEditorFocused());
  EXPECT_EQ(window->windowTitle(), "Untitled[*] — no audio device: runs are silent");
  EXPECT_EQ(window->size(), QSize(600, 400));
  EXPECT_TRUE(console()->isReadOnly() && (console()->textInteractionFlags() & Qt::TextSelectableByMouse));
  EXPECT_FALSE(voice.isPlaying.load()) << "showing the window starts the engine with the voice off";
  QTest::mouseClick(view().widgets().compileButton, Qt::LeftButton);
  EXPECT_EQ(view().logOutput(), kStarted) << "compiling happens before the click returns";
  ASSERT_TRUE(waitForLog(kComplete)) << view().logOutput();
  EXPECT_EQ(std::tuple(voice.frequency.load(), voice.cutoff.load(), voice.resonance.load(), voice.isPlaying.load()),
            std::tuple(110.0f, 1.0f, 1.0f, false));
  EXPECT_EQ(output(), std::vector<std::string>{"End of all sequences."}) << "standard output gets it too";

  const QImage image = window->grab().toImage();
  EXPECT_TRUE(image.save(QString(QUARN_BINARY_DIR) + "/workbench.png"));
  int greenTextPixels = 0;  // the script's lines sit in the editor's top-left corner
  const QPoint editorTop = editor()->mapTo(window.get(), QPoint(0, 0));
  for (int i = 0; i < 200 * 40; ++i) {
    const QColor c = image.pixelColor(editorTop + QPoint(i % 200, i / 200));
    greenTextPixels += c.green() > 150 && c.red() < 80 && c.blue() < 80;
  }
  EXPECT_GT(greenTextPixels, 50);
  EXPECT_LT(cornerColour(image, editor()).lightness(), 80);
  const QColor blue = cornerColour(image, view().widgets().compileButton);
  EXPECT_TRUE(blue.blue() > blue.red() + 100 && blue.blue() > blue.green() + 50) << blue.name().toStdString();
  const QColor red = cornerColour(image, view().widgets().haltButton);
  EXPECT_TRUE(red.red() > red.green() + 100 && red.red() > red.blue() + 100) << red.name().toStdString();
  const QColor gray = cornerColour(image, console());
  EXPECT_TRUE(gray.lightness() > 150 && gray.lightness() < 250 && std::abs(gray.red() - gray.blue()) <= 12)
      << gray.name().toStdString();

  const QRect compile = view().widgets().compileButton->geometry(), halt = view().widgets().haltButton->geometry();
  const int height = console()->height(), editorHeight = editor()->height();
  for (int count : {3, 100, kConsoleHistoryLines}) {
    ASSERT_TRUE(runToEnd("int i = 0;\nwhile (i < " + std::to_string(count) + ") { [nobody x]; i = i + 1; }")) << count;
    EXPECT_EQ(console()->document()->blockCount(), std::min(2 + count + 2, kConsoleHistoryLines)) << count;
    EXPECT_EQ(std::tuple(view().widgets().compileButton->geometry(), view().widgets().haltButton->geometry(),
                         console()->height()), std::tuple(compile, halt, height)) << count;
  }
  EXPECT_EQ(console()->verticalScrollBar()->value(), console()->verticalScrollBar()->maximum())
      << "the newest line is in view";
  EXPECT_EQ(console()->document()->firstBlock().text().toStdString(), kNobodyLine) << "the oldest lines went";
  window->resize(900, 700);
  QTest::qWait(50);
  EXPECT_EQ(editor()->height(), editorHeight + 300) << "the editor takes the extra room";
  EXPECT_EQ(console()->height(), height);

  // Either button leaves the keys with the editor; zooming types nothing into it and stays in bounds.
  view().setSourceCode("");
  for (QPushButton* button : {view().widgets().compileButton, view().widgets().haltButton}) {
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(editor()->hasFocus()) << button->text().toStdString();
  }
  EXPECT_EQ(view().logOutput(), kHalted);
  QTest::keyClicks(QApplication::focusWidget(), "\ta\rb");  // Tab, a, Return, b
  const int consoleSize = console()->font().pixelSize();
  const std::pair<Qt::Key, int> zooms[] = {{Qt::Key_Equal, 1}, {Qt::Key_Minus, 0}, {Qt::Key_Minus, -1}, {Qt::Key_0, 0}};
  for (const auto& [key, zoom] : zooms) {
    QTest::keyClick(editor(), key, Qt::ControlModifier);
    EXPECT_EQ(editor()->SendScintilla(QsciScintillaBase::SCI_GETZOOM), zoom) << key;
    EXPECT_EQ(console()->font().pixelSize(), consoleSize + zoom) << "the console zooms too";
  }
  for (const int bound : {kMaxZoom, kMinZoom}) {
    view().zoom(bound * 100);
    EXPECT_EQ(editor()->SendScintilla(QsciScintillaBase::SCI_GETZOOM), bound);
  }
  EXPECT_EQ(view().sourceCode(), "    a\n    b") << "Tab is four spaces; Return keeps the indent; zooming types nothing";

  // Closed during a run of many async bodies: they reach no gone window; the engine ends on this thread.
  const std::shared_ptr<SynthWrapper> synth = std::exchange(engine, nullptr)->synth;  // the window holds the engine
  view().setSourceCode("int k = 0;\nwhile (k < 300) { async { [self wait:30]; [tb303 setCutoff:0.25]; } k = k + 1; }\n"
                       "[tb303 setFrequency:221.0];\n[self wait:30];\n[tb303 setFrequency:550.0];");
  view().compileAndRun();
  ASSERT_TRUE(waitFor([&] { return synth->pointer->frequency.load() == 221.0f; }));
  answers = {SaveAnswer::discard};
  std::promise<void> sinkHeld;
  std::jthread holder([&] { std::lock_guard hold(mutex); sinkHeld.set_value(); QTest::qSleep(300); });
  sinkHeld.get_future().wait();
  window->close();
  EXPECT_EQ(QuarnApp::finish(3, std::move(window)), 3);
  EXPECT_EQ(engineEndedOn, std::this_thread::get_id());
  QTest::qWait(50);  // deliver anything posted (nothing should be)
  EXPECT_EQ(synth->pointer->frequency.load(), 221.0f);
  EXPECT_NE(synth->pointer->cutoff.load(), 0.25f);
}

// A parse error is pointed at (column in characters) and runs nothing; a halt ends a wait at once.
TEST_F(WorkbenchWindowTest, ParseErrorsRunLinesAndHalts) {
  const struct { std::string script; int line, column, length; } cases[] = {
      {"[tb303 setFrequency:220.0];\n[tb303 setCutoff:", 2, 18, 0},  // eof
      {"[sampler play:\"kick", 1, 20, 0},  // the string runs to the end
      {"string s = \"é\";\n  int 5;", 2, 7, 1},
      {"int a = 1;\nint a2 = 2;\nif (a) { [tb303 play]; ] }", 3, 24, 1},
  };
  for (const auto& c : cases) {
    const ParseResult result = parseScript(c.script);
    ASSERT_FALSE(result.ok()) << c.script;
    view().setSourceCode(c.script);
    view().compileAndRun();
    EXPECT_EQ(view().logOutput(), "Compiling...\n" + result.error + "\nat line " + std::to_string(c.line) +
                                      ", column " + std::to_string(c.column)) << c.script;
    const auto at = static_cast<unsigned long>(result.errorLocation.offset);
    EXPECT_EQ(editor()->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), static_cast<long>(at)) << c.script;
    EXPECT_EQ(editor()->markerFindNext(0, 1 << kErrorMarker), c.line - 1) << c.script;
    const long marked = editor()->SendScintilla(QsciScintillaBase::SCI_INDICATOREND, kErrorIndicator, at) - long(at);
    EXPECT_EQ(c.length == 0 ? 0L : marked, static_cast<long>(c.length)) << c.script;
  }
  QTest::qWait(300);  // a job started by mistake would have run by now
  EXPECT_TRUE(voice.frequency.load() == 440.0f && output().empty());
  view().setSourceCode("int a = 1;");
  EXPECT_EQ(editor()->markerFindNext(0, 1 << kErrorMarker), -1) << "a new text clears the mark";

  view().setSourceCode("async { [self wait:0.3]; [nobody x]; }\n[sampler play:\"cowbel\"];\n[self wait:0.6];");
  view().compileAndRun();
  EXPECT_TRUE(waitFor([&] { return window->windowTitle().contains("running"); }));
  ASSERT_TRUE(waitForLog(kStarted + "\n[VRKLog] Audio file could not be found: cowbel.wav\n" + kNobodyLine +
                         "\nExecution complete.\nEnd of all sequences.")) << view().logOutput();
  EXPECT_TRUE(waitFor([&] { return !window->windowTitle().contains("running"); }));
  EXPECT_EQ(output().size(), 3u) << "standard output gets the run's lines too";

  view().setSourceCode("[self wait:0.2];\n[nobody x];");
  view().compileAndRun();
  view().haltSystem();
  view().setSourceCode("[self wait:0.6];");
  view().compileAndRun();
  ASSERT_TRUE(waitForLog(kComplete)) << view().logOutput();
  EXPECT_EQ(std::ranges::count(output(), "End of all sequences."), 3);

  ASSERT_TRUE(showWithEditorFocused());
  const std::string script = "[nobody x];\n[tb303 setFrequency:220.0];\n[self wait:60];\n[tb303 setFrequency:330.0];";
  view().setSourceCode(script);
  QTest::keyClick(editor(), Qt::Key_Return, Qt::ControlModifier);
  ASSERT_TRUE(waitFor([&] { return voice.frequency.load() == 220.0f; }));
  synthSetPlaying(&voice, true);
  const auto halted = std::chrono::steady_clock::now();
  QTest::keyClick(editor(), Qt::Key_Period, Qt::ControlModifier);
  EXPECT_EQ(view().logOutput(), kHalted) << "the line printed before the halt is gone";
  EXPECT_FALSE(engine->isRunning.load() || voice.isPlaying.load());
  ASSERT_TRUE(waitForLog(kHalted + "\nExecution complete.\nEnd of all sequences.")) << view().logOutput();
  EXPECT_LT(std::chrono::steady_clock::now() - halted, std::chrono::seconds(5)) << "a bound against a hang only";
  EXPECT_TRUE(voice.frequency.load() == 220.0f && view().sourceCode() == script) << "nothing runs after the halt";
}

// Whether `quarn` may open its window; what it says when not is a whole-command case.
TEST(WorkbenchDisplay, DecidesFromTheEnvironment) {
  const struct { std::map<std::string, std::string> environment; bool available; } cases[] = {
      {{{"HOME", "/root"}}, false}, {{{"DISPLAY", ":0"}}, true}, {{{"WAYLAND_DISPLAY", "wayland-0"}}, true},
      {{{"QT_QPA_PLATFORM", "offscreen"}}, true},
      {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}}, false}};
  for (const auto& c : cases) {
    const bool available = displayAvailable([&](const char* name) -> const char* {
      const auto found = c.environment.find(name);
      return found == c.environment.end() ? nullptr : found->second.c_str();
    });
    EXPECT_EQ(available, c.available) << ::testing::PrintToString(c.environment);
  }
}

}  // namespace
}  // namespace quarn
