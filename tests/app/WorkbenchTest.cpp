// The window over a silent engine, offscreen: its texts, both actions and their shortcuts, the
// console (lines of runs, fixed place, history bound), parse errors pointed at, closing during a
// run, and a grab of its colours (saved as workbench.png in the build tree for the eye).
#include "WorkbenchTestSupport.h"

#include <QScrollBar>
#include <QTextBlock>

#include "frontend/Parser.h"

namespace quarn {
namespace {

const std::string kStarted = "Compiling...\nAST successfully built. Execution started in background...";
const std::string kComplete = kStarted + "\nExecution complete.\nEnd of all sequences.";
const std::string kHalted = "[VRKLog] System halted. ";

using WorkbenchWindowTest = WorkbenchFixture;
using WorkbenchRun = WorkbenchFixture;
using WorkbenchConsole = WorkbenchFixture;

// A script printing `count` run-time lines, one per pass.
std::string linesScript(int count) {
  return "int i = 0;\nwhile (i < " + std::to_string(count) + ") { [nobody x]; i = i + 1; }";
}
const std::string kNobodyLine = "Unknown Receiver: nobody object could not be found.";

TEST_F(WorkbenchWindowTest, FreshWindowShowsItsTextsAndItsScriptLeavesTheVoiceOff) {
  synthSetCutoff(&voice, 0.3f);
  EXPECT_EQ(view().sourceCode(),
            "[tb303 setFrequency:110.0];\n[tb303 setCutoff:FrequencyHigh];\n[tb303 setResonance:Maximum];");
  EXPECT_EQ(view().logOutput(), "Quarn Compiler Ready.");
  EXPECT_EQ(view().widgets().compileButton->text(), "Compile and Run");
  EXPECT_EQ(view().widgets().haltButton->text(), "[tb303 release];");
  EXPECT_EQ(window->windowTitle(), "Untitled[*]");
  EXPECT_FALSE(window->isWindowModified());
  EXPECT_FALSE(engine->isRunning.load());
  show();
  EXPECT_EQ(window->windowTitle(), "Untitled[*] — no audio device: runs are silent");
  EXPECT_EQ(window->size(), QSize(600, 400));
  EXPECT_TRUE(console()->isReadOnly());
  EXPECT_TRUE(console()->textInteractionFlags() & Qt::TextSelectableByMouse);
  EXPECT_FALSE(voice.isPlaying.load()) << "showing the window starts the engine with the voice off";
  QTest::mouseClick(view().widgets().compileButton, Qt::LeftButton);
  EXPECT_EQ(view().logOutput(), kStarted) << "compiling happens before the click returns";
  ASSERT_TRUE(waitForLog(kComplete)) << view().logOutput();
  EXPECT_EQ(std::tuple(voice.frequency.load(), voice.cutoff.load(), voice.resonance.load()),
            std::tuple(110.0f, 1.0f, 1.0f));
  EXPECT_FALSE(voice.isPlaying.load());
  EXPECT_EQ(output(), std::vector<std::string>{"End of all sequences."}) << "standard output gets it too";
}

// Lines of the main flow and of an async body, as they happen, before the run's end.
TEST_F(WorkbenchRun, RunLinesReachTheConsoleInOrder) {
  view().setSourceCode("async { [self wait:0.3]; [nobody x]; }\n[sampler play:\"cowbel\"];\n[self wait:0.6];");
  view().compileAndRun();
  EXPECT_TRUE(waitFor([&] { return window->windowTitle().contains("running"); }));
  const std::string expected = kStarted +
                               "\n[VRKLog] Audio file could not be found: cowbel.wav\n" +
                               kNobodyLine + "\nExecution complete.\nEnd of all sequences.";
  ASSERT_TRUE(waitForLog(expected)) << view().logOutput();
  EXPECT_TRUE(waitFor([&] { return !window->windowTitle().contains("running"); }));
  EXPECT_EQ(output().size(), 3u) << "standard output gets the run's lines too";
}

// However many lines a run prints, up to the newest kConsoleHistoryLines.
TEST_F(WorkbenchConsole, KeepsItsHeightTheButtonsTheirPlaceAndTheNewestLines) {
  show();
  const QRect compile = view().widgets().compileButton->geometry();
  const QRect halt = view().widgets().haltButton->geometry();
  const int height = console()->height();
  for (int count : {1, 3, 100, kConsoleHistoryLines}) {
    view().setSourceCode(linesScript(count));
    view().compileAndRun();
    ASSERT_TRUE(waitFor([&] { return view().logOutput().ends_with("End of all sequences."); })) << count;
    EXPECT_EQ(console()->document()->blockCount(), std::min(2 + count + 2, kConsoleHistoryLines)) << count;
    EXPECT_EQ(view().widgets().compileButton->geometry(), compile) << count;
    EXPECT_EQ(view().widgets().haltButton->geometry(), halt) << count;
    EXPECT_EQ(console()->height(), height) << count;
  }
  EXPECT_EQ(console()->verticalScrollBar()->value(), console()->verticalScrollBar()->maximum())
      << "the newest line is in view";
  EXPECT_EQ(console()->document()->firstBlock().text().toStdString(), kNobodyLine) << "the oldest lines went";
}

// A halted run asleep in a wait goes on when the next run sets the engine going
// again; its lines still reach standard output, never the newer run's console.
TEST_F(WorkbenchConsole, AnOlderRunNeverWritesIntoANewerRunsText) {
  view().setSourceCode("[self wait:0.2];\n[nobody x];");
  view().compileAndRun();
  view().haltSystem();
  view().setSourceCode("[self wait:0.6];");
  view().compileAndRun();
  ASSERT_TRUE(waitFor([&] { return view().logOutput() == kComplete; })) << view().logOutput();
  const auto printed = output();
  EXPECT_EQ(std::count(printed.begin(), printed.end(), "End of all sequences."), 2);
}

// Either button leaves the keys with the editor; zooming types nothing into it.
TEST_F(WorkbenchWindowTest, KeysStayWithTheEditor) {
  ASSERT_TRUE(showWithEditorFocused());
  view().setSourceCode("");
  for (QPushButton* button : {view().widgets().compileButton, view().widgets().haltButton}) {
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(editor()->hasFocus()) << button->text().toStdString();
  }
  EXPECT_EQ(view().logOutput(), kHalted);
  QTest::keyClicks(QApplication::focusWidget(), "\ta\rb");  // Tab, a, Return, b
  const auto zoom = [&] { return editor()->SendScintilla(QsciScintillaBase::SCI_GETZOOM); };
  const int consoleSize = console()->font().pixelSize();
  QTest::keyClick(editor(), Qt::Key_Equal, Qt::ControlModifier);
  EXPECT_EQ(zoom(), 1);
  EXPECT_EQ(console()->font().pixelSize(), consoleSize + 1);
  QTest::keyClick(editor(), Qt::Key_Minus, Qt::ControlModifier);
  QTest::keyClick(editor(), Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(zoom(), -1);
  EXPECT_EQ(console()->font().pixelSize(), consoleSize - 1) << "Ctrl+- zooms the console too";
  view().zoom(100);
  EXPECT_EQ(zoom(), kMaxZoom);
  view().zoom(-100);
  EXPECT_EQ(zoom(), kMinZoom);
  QTest::keyClick(editor(), Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(zoom(), 0);
  EXPECT_EQ(console()->font().pixelSize(), consoleSize);
  EXPECT_EQ(view().sourceCode(), "    a\n    b") << "Tab is four spaces; Return keeps the indent; zooming types nothing";
}

TEST_F(WorkbenchRun, ParseErrorIsPointedAtAndRunsNothing) {
  const struct { std::string script; int line, column, length; } cases[] = {
      {"[tb303 setFrequency:220.0];\n[tb303 setCutoff:", 2, 18, 0},  // eof
      {"int a = 1;\nint b = ;\nint c = 2;", 2, 9, 1},
      {"[sampler play:\"kick", 1, 20, 0},  // the string runs to the end
      {"string s = \"é\";\n  int 5;", 2, 7, 1},  // column in characters, not bytes
      {"int a = 1;\nint a2 = 2;\nif (a) { [tb303 play]; ] }", 3, 24, 1},
  };
  for (const auto& c : cases) {
    const ParseResult result = compile(c.script);
    ASSERT_FALSE(result.ok()) << c.script;
    view().setSourceCode(c.script);
    view().compileAndRun();
    EXPECT_EQ(view().logOutput(), "Compiling...\n" + result.error + "\nat line " + std::to_string(c.line) +
                                      ", column " + std::to_string(c.column))
        << c.script;
    const auto at = static_cast<unsigned long>(result.errorLocation.offset);
    EXPECT_EQ(editor()->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), static_cast<long>(at)) << c.script;
    EXPECT_EQ(editor()->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, at), c.line - 1) << c.script;
    EXPECT_EQ(editor()->markerFindNext(0, 1 << kErrorMarker), c.line - 1) << c.script;
    const long marked = editor()->SendScintilla(QsciScintillaBase::SCI_INDICATOREND, kErrorIndicator, at) - long(at);
    EXPECT_EQ(c.length == 0 ? 0L : marked, static_cast<long>(c.length)) << c.script;
  }
  QTest::qWait(300);  // a job started by mistake would have run by now
  EXPECT_EQ(voice.frequency.load(), 440.0f);
  EXPECT_TRUE(output().empty());
  view().setSourceCode("int a = 1;");
  EXPECT_EQ(editor()->markerFindNext(0, 1 << kErrorMarker), -1) << "a new text clears the mark";
}

// Run and halt from the editor's keys. The line printed before the halt does not show after
// its text; the wait in progress ends at once; the rest of the script is skipped.
TEST_F(WorkbenchRun, ShortcutsRunAndHaltDuringAWait) {
  ASSERT_TRUE(showWithEditorFocused());
  const std::string script = "[nobody x];\n[tb303 setFrequency:220.0];\n[self wait:60];\n[tb303 setFrequency:330.0];";
  view().setSourceCode(script);
  QTest::keyClick(editor(), Qt::Key_Return, Qt::ControlModifier);
  ASSERT_TRUE(waitFor([&] { return voice.frequency.load() == 220.0f; }));
  synthSetPlaying(&voice, true);
  const auto halted = std::chrono::steady_clock::now();
  QTest::keyClick(editor(), Qt::Key_Period, Qt::ControlModifier);
  EXPECT_EQ(view().logOutput(), kHalted);
  EXPECT_FALSE(engine->isRunning.load());
  EXPECT_FALSE(voice.isPlaying.load());
  ASSERT_TRUE(waitForLog(kHalted + "\nExecution complete.\nEnd of all sequences.")) << view().logOutput();
  EXPECT_LT(std::chrono::steady_clock::now() - halted, std::chrono::seconds(5)) << "a bound against a hang only";
  EXPECT_EQ(voice.frequency.load(), 220.0f) << "no statement runs after the halt";
  EXPECT_EQ(view().sourceCode(), script) << "the editor took a keystroke";
}

// Runs hold the engine until their waits end; nothing reaches the gone window; the app leaves normally.
TEST_F(WorkbenchWindowTest, ClosingDuringARunStopsIt) {
  const std::shared_ptr<SynthWrapper> synth = engine->synth;  // to read the voice after the engine
  const std::weak_ptr<EngineManager> engineLeft = engine;
  engine.reset();
  show();
  view().setSourceCode("[tb303 setFrequency:221.0];\nasync { [self wait:0.3]; [tb303 setCutoff:0.25]; }\n"
                       "[self wait:0.3];\n[tb303 setFrequency:550.0];");
  view().compileAndRun();
  ASSERT_TRUE(waitFor([&] { return synth->pointer->frequency.load() == 221.0f; }));
  answers = {SaveAnswer::discard};
  window->close();
  EXPECT_FALSE(view().engine()->isRunning.load());
  window.reset();
  ASSERT_TRUE(waitFor([&] { return engineLeft.expired(); }));
  QTest::qWait(50);  // deliver anything posted (nothing should be)
  EXPECT_EQ(synth->pointer->frequency.load(), 221.0f);
  EXPECT_NE(synth->pointer->cutoff.load(), 0.25f);
  EXPECT_EQ(QuarnApp::finish(3, engineLeft), 3);
}

// A pixel near the bottom-right corner of a widget, away from its text.
QColor cornerColour(const QImage& image, const QWidget* widget) {
  const QPoint corner = widget->mapTo(widget->window(), QPoint(widget->width() - 5, widget->height() - 4));
  return image.pixelColor(corner);
}

TEST_F(WorkbenchWindowTest, GrabShowsTheColoursOfEachRegionAndGrowsTheEditor) {
  show();
  view().setSourceCode("[tb303 play];\n[self wait:1];");
  QTest::mouseClick(view().widgets().haltButton, Qt::LeftButton);  // a console text of some length
  const QImage image = window->grab().toImage();
  EXPECT_TRUE(image.save(QString(QUARN_BINARY_DIR) + "/workbench.png"));
  EXPECT_LT(cornerColour(image, editor()).lightness(), 80);
  int greenTextPixels = 0;  // the two script lines sit in the editor's top-left corner
  const QPoint editorTop = editor()->mapTo(window.get(), QPoint(0, 0));
  for (int i = 0; i < 200 * 40; ++i) {
    const QColor c = image.pixelColor(editorTop + QPoint(i % 200, i / 200));
    greenTextPixels += c.green() > 150 && c.red() < 80 && c.blue() < 80;
  }
  EXPECT_GT(greenTextPixels, 50);
  const QColor blue = cornerColour(image, view().widgets().compileButton);
  EXPECT_TRUE(blue.blue() > blue.red() + 100 && blue.blue() > blue.green() + 50) << blue.name().toStdString();
  const QColor red = cornerColour(image, view().widgets().haltButton);
  EXPECT_TRUE(red.red() > red.green() + 100 && red.red() > red.blue() + 100) << red.name().toStdString();
  const QColor gray = cornerColour(image, console());
  EXPECT_TRUE(gray.lightness() > 150 && gray.lightness() < 250 && std::abs(gray.red() - gray.blue()) <= 12)
      << gray.name().toStdString();
  const int editorHeight = editor()->height(), consoleHeight = console()->height();
  window->resize(900, 700);
  QTest::qWait(50);
  EXPECT_EQ(editor()->height(), editorHeight + 300) << "the editor takes the extra room";
  EXPECT_EQ(console()->height(), consoleHeight);
}

}  // namespace
}  // namespace quarn
