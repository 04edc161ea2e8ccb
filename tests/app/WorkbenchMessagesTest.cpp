// SPDX-License-Identifier: GPL-3.0-or-later
// A run's lines placed beside their statements and marked on their lines; warnings underlined while typing.
#include "WorkbenchTestSupport.h"

#include <QTextBlock>
#include <QToolTip>

#include "app/ConsolePlaces.h"
#include "app/EditorNotes.h"
#include "app/QtText.h"
#include "frontend/SourceLocation.h"

namespace quarn {
namespace {

using WorkbenchMessagesTest = WorkbenchFixture;

QTextBlock consoleBlock(QPlainTextEdit* console, const std::string& text) {
  for (QTextBlock block = console->document()->firstBlock(); block.isValid(); block = block.next())
    if (block.text().toStdString() == text) return block;
  return {};
}

// A point inside the editor's viewport at byte offset `at` (in the margin when inMargin).
QPoint pointAt(QsciScintilla* editor, long at, bool inMargin) {
  const long x = editor->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, at);
  const long y = editor->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, at);
  return QPoint(inMargin ? 2 : static_cast<int>(x) + 2, static_cast<int>(y) + 4);
}

TEST_F(WorkbenchMessagesTest, EachMessageIsPlacedInTheConsoleAndMarkedOnceInTheEditor) {
  ASSERT_TRUE(showWithEditorFocused());
  const std::string script =
      "[sampler setRate:q];\n[self nothere];\n[piano play];\n[sampler stop];\n[sampler play:42];\n"
      "[sampler play:\"nosuch\"];\nint i = 0;\nwhile (true) { i = i + 1; }\n"
      "- (void) down { [self down]; }\n[self down];";
  const struct { int line, column; std::string text; } cases[] = {
      {1, 18, "[VRKLog] Reference error: undefined identifier 'q'"},
      {1, 1, "[VRKLog] setRate: Method requires a number (int, float)."},
      {2, 1, "[VRKLog] Error: It is an undeclared function - nothere"},
      {3, 1, "Unknown Receiver: piano object could not be found."},
      {4, 1, "[VRKLog] Unknown Selector: -[sampler stop]"},
      {5, 1, "play: Method requires a string file name."},
      {6, 1, "[VRKLog] Audio file could not be found: nosuch.wav"},
      {8, 1, "[VRKLog] SYSTEM OVERLOAD: Infinite loop detected! For hardware protection, forcibly exit while loop."},
      {9, 17, "[VRKLog] Call depth limit exceeded: method 'down' called more than 200 levels deep; run stopped."},
  };
  ASSERT_TRUE(runToEnd(script)) << view().logOutput();
  std::set<int> markedLines;
  for (int line = 0; (line = editor()->markerFindNext(line, 1 << kMessageMarker)) >= 0; ++line)
    markedLines.insert(line + 1);
  EXPECT_EQ(markedLines, (std::set<int>{1, 2, 3, 4, 5, 6, 8, 9})) << "a line that printed nothing has no mark";
  for (const auto& c : cases) {
    const QTextBlock block = consoleBlock(console(), c.text);
    ASSERT_TRUE(block.isValid()) << c.text << " in\n" << view().logOutput();
    const auto where = ConsolePlaces::placeOf(block);
    ASSERT_TRUE(where.has_value()) << c.text;
    EXPECT_EQ(std::tuple(int(where->line), int(where->column), placeText(*where)),
              std::tuple(c.line, c.column, QString("line %1").arg(c.line))) << c.text;
    const long lineStart = editor()->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, c.line - 1);
    EXPECT_TRUE(view().notes().toolTipAt(pointAt(editor(), lineStart, true)).split('\n').contains(toQString(c.text)))
        << c.text;
  }
  EXPECT_FALSE(ConsolePlaces::placeOf(consoleBlock(console(), "Execution complete.")).has_value());
  EXPECT_EQ(view().logOutput().find("line "), std::string::npos) << "the place is drawn, not written";

  for (const auto& c : {cases[0], cases[3]}) {
    editor()->setCursorPosition(0, 0);
    console()->setTextCursor(QTextCursor(consoleBlock(console(), c.text)));
    console()->ensureCursorVisible();
    QTest::mouseClick(console()->viewport(), Qt::LeftButton, {}, console()->cursorRect().center());
    int cursorLine = -1, index = -1;
    editor()->getCursorPosition(&cursorLine, &index);
    EXPECT_EQ(std::pair(cursorLine, index), std::pair(c.line - 1, c.column - 1)) << c.text;
  }

  view().setSourceCode("[sampler setRate:1];\n[nobody x];");
  view().compileAndRun();
  EXPECT_EQ(editor()->markerFindNext(0, 1 << kMessageMarker), -1) << "the next run clears the marks";
  ASSERT_TRUE(waitFor([&] { return view().logOutput().ends_with("End of all sequences."); }));
  EXPECT_EQ(view().notes().toolTipAt(pointAt(editor(), 0, true)), "[VRKLog] Sampler rate set to 1.0");

  // a mark lists what its line printed once each, up to kMaxMarkTexts, and counts the lines beyond
  ASSERT_TRUE(runToEnd("int i = 0;\nwhile (i < 2) { [sampler setRate:a1 + a2 + a3 + a4 + a5 + a6 + a7 + a8 + a9 + a10];"
                       " i = i + 1; }"));
  QStringList expected;
  for (int n = 1; n <= kMaxMarkTexts; ++n)
    expected << QString("[VRKLog] Reference error: undefined identifier 'a%1'").arg(n);
  expected << moreTextsLine(6);  // a9, a10 and the rate line, each printed twice
  const long line2 = editor()->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, 1);
  EXPECT_EQ(view().notes().toolTipAt(pointAt(editor(), line2, true)).toStdString(), expected.join('\n').toStdString());
}

TEST_F(WorkbenchMessagesTest, WarningsWhileTypingAreUnderlinedWithTheirReasons) {
  window.reset();  // a window over the bundled kit, so that play: is checked
  engine = std::make_shared<EngineManager>(std::string(QUARN_BINARY_DIR) + "/share/quarn/samples", AudioOutput::none);
  window = makeWindow(pathIn("kit-session"));
  ASSERT_TRUE(showWithEditorFocused());
  const std::string script = "[tb303 setcutoff:0.5];\n[tb303 setFrequency:\"x\"];\nzz = 3;\n[self nothere];\n"
                             "[piano play];\n[sampler play:\"nosuch\"];\n[sampler play:\"kick\"];";
  const struct { WarningKind kind; int line, column; const char* reasonStart; } cases[] = {
      {WarningKind::unknownSelector, 1, 8, "tb303 does not know 'setcutoff:'"},
      {WarningKind::notANumber, 2, 21, "setFrequency: needs a number, and this is a string"},
      {WarningKind::undeclaredName, 3, 1, "No statement declares 'zz'"},
      {WarningKind::undeclaredMethod, 4, 7, "This script declares no method 'nothere'"},
      {WarningKind::unknownReceiver, 5, 2, "There is no receiver 'piano'"},
      {WarningKind::missingSound, 6, 15, "No bundled sound is called 'nosuch'. The bundled sounds are: clap, cowbell,"},
  };
  view().setSourceCode(script);
  ASSERT_TRUE(waitFor([&] { return !view().notes().warnings().empty(); }));
  const auto& warnings = view().notes().warnings();
  ASSERT_EQ(warnings.size(), std::size(cases));
  const SourceLines places(script);
  const auto squiggleAt = [&](long at) {
    return editor()->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, (unsigned long)kWarningIndicator, at);
  };
  for (std::size_t i = 0; i < warnings.size(); ++i) {
    const auto& c = cases[i];
    const SourceLocation where = places.locate(warnings[i].span.offset);
    EXPECT_EQ(std::tuple(warnings[i].kind, int(where.line), int(where.column)), std::tuple(c.kind, c.line, c.column));
    const long at = warnings[i].span.offset;
    EXPECT_EQ(squiggleAt(at), long(i + 1));
    const QPoint point = pointAt(editor(), at, false);
    QHelpEvent hover(QEvent::ToolTip, point, editor()->viewport()->mapToGlobal(point));
    QApplication::sendEvent(editor()->viewport(), &hover);
    EXPECT_TRUE(QToolTip::text().startsWith(c.reasonStart)) << QToolTip::text().toStdString();
  }
  EXPECT_TRUE(view().notes().toolTipAt(pointAt(editor(), places.text().rfind("kick"), false)).isEmpty());

  view().setSourceCode(std::string(kInitialSourceCode) + "\n[sampler play:\"kick\"];");
  ASSERT_TRUE(waitFor([&] { return view().notes().warnings().empty(); })) << "a correct script has none";
  for (long at = 0; at < editor()->length(); ++at) ASSERT_EQ(squiggleAt(at), 0) << at;
}

}  // namespace
}  // namespace quarn
