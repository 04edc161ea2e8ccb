// SPDX-License-Identifier: GPL-3.0-or-later
// The editor: typing help, comments, find bar, completion, help and examples, the kept split.
#include "WorkbenchTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>

#include "app/Completion.h"
#include "app/FindBar.h"
#include "app/HelpMenu.h"
#include "app/LanguageHelp.h"
#include "cli/TestFolder.h"
#include "interp/Vocabulary.h"

namespace quarn {
namespace {

using Sci = QsciScintillaBase;

void pressCtrl(QWidget* widget, Qt::Key key) { QTest::keyClick(widget, key, Qt::ControlModifier); }

class EditorTest : public WorkbenchFixture {
protected:
  // Types into a cleared editor and gives back its text; \x02 is the Left arrow, \x1a Ctrl+Z, \x1b Ctrl+Space.
  std::string type(std::string_view keys) {
    editor()->clear();
    for (char key : keys) {
      if (key == '\x02') QTest::keyClick(editor(), Qt::Key_Left);
      else if (key == '\x1a' || key == '\x1b') pressCtrl(editor(), key == '\x1a' ? Qt::Key_Z : Qt::Key_Space);
      else QTest::keyClick(editor(), key);
    }
    return view().sourceCode();
  }
};

TEST_F(EditorTest, TypingStepsIndentsClosesAndUndoesALineAtATime) {
  ASSERT_TRUE(showWithEditorFocused());
  const struct { const char* typed; const char* text; } cases[] = {
      {"while (i < 3) {\rif (b) {\rc;\r}\r}", "while (i < 3) {\n    if (b) {\n        c;\n    }\n}"},
      {"  {\r/* } */ x;\r}", "  {\n      /* } */ x;\n  }"},  // a brace in a comment is no brace
      {"string s = \"ab\";", "string s = \"ab\";"},             // the closers put in are stepped over
      {"x = \"a", "x = \"a\""},
      {"a = @[1, 2", "a = @[1, 2]"},
      {"[sampler play:\"kick\"];", "[sampler play:\"kick\"];"},
      {"  if (a) {}\x02\rb;", "  if (a) {\n      b;\n  }"},  // Return between { and }
      {"a;\rb;\rc;\x1a", "a;\nb;\n"},                       // one undo takes back one line
      {"[sampler setR\x1b", "[sampler setRate:]"},           // a lone completion is put in
  };
  for (const auto& c : cases) EXPECT_EQ(type(c.typed), c.text) << c.typed;
}

TEST_F(EditorTest, CommentToggle) {
  ASSERT_TRUE(showWithEditorFocused());
  const struct { const char* text; int from, to; const char* toggled; } cases[] = {
      {"  a;\n\n    b;", 0, 2, "  // a;\n\n  //   b;"},  // blank lines stay blank
      {"// a;\nb;", 0, 1, "// // a;\n// b;"},           // not all commented: all get it
      {"  // a;\n  //b;", 0, 1, "  a;\n  b;"}, {"a;\nb;", 1, 1, "a;\n// b;"}};  // no selection: the caret's line
  for (const auto& c : cases) {
    view().setSourceCode(c.text);
    if (c.from == c.to) editor()->setCursorPosition(c.from, 0);
    else editor()->setSelection(c.from, 0, c.to, 1);
    pressCtrl(editor(), Qt::Key_Slash);
    EXPECT_EQ(view().sourceCode(), c.toggled) << c.text;
    pressCtrl(editor(), Qt::Key_Z);
    EXPECT_EQ(view().sourceCode(), c.text) << "one undo step";
  }
}

TEST_F(EditorTest, FindAndReplaceInTheBar) {
  ASSERT_TRUE(showWithEditorFocused());
  auto* bar = window->findChild<FindBar*>();
  view().setSourceCode("kick hat Kick snare kick");
  editor()->setCursorPosition(0, 0);
  EXPECT_FALSE(bar->isVisible());
  pressCtrl(editor(), Qt::Key_F);
  ASSERT_TRUE(bar->isVisible() && bar->findField()->hasFocus() && !bar->replaceField()->isVisible());
  QTest::keyClicks(bar->findField(), "kick");
  const auto selected = [&] { return editor()->SendScintilla(Sci::SCI_GETSELECTIONSTART); };
  EXPECT_EQ(selected(), 0);
  for (const long at : {9, 20, 0, -20, -9}) {
    QTest::keyClick(bar->findField(), Qt::Key_F3, at < 0 ? Qt::ShiftModifier : Qt::NoModifier);
    EXPECT_EQ(selected(), std::abs(at)) << "case aside, round the ends";
  }
  QTest::keyClicks(bar->findField(), "z");
  EXPECT_EQ(bar->status()->text(), kNoMatchText);

  pressCtrl(editor(), Qt::Key_H);
  ASSERT_TRUE(bar->replaceField()->isVisible());
  bar->findField()->setText("kick");
  bar->replaceField()->setText("kick kick");
  EXPECT_EQ(bar->replaceAll(), 3) << "what is put in is not searched again";
  EXPECT_EQ(view().sourceCode(), "kick kick hat kick kick snare kick kick");
  pressCtrl(editor(), Qt::Key_Z);
  EXPECT_EQ(view().sourceCode(), "kick hat Kick snare kick") << "one undo step";
  editor()->setCursorPosition(0, 1);
  bar->replaceField()->setText("tom");
  EXPECT_FALSE(bar->replaceOne()) << "the first press finds";
  EXPECT_TRUE(bar->replaceOne());
  EXPECT_TRUE(view().sourceCode() == "kick hat tom snare kick" && selected() == 19) << "and the next match is selected";
  QTest::keyClick(bar->replaceField(), Qt::Key_Escape);
  EXPECT_TRUE(!bar->isVisible() && editor()->hasFocus());
}

TEST_F(EditorTest, CompletionOffersWhatFitsThePlace) {
  const auto tb303 = selectorsOf("tb303");
  std::vector<std::string> tb303Words(tb303.begin(), tb303.end());
  std::ranges::sort(tb303Words);
  const std::string methods = "- (void) bassNote { }\nfloat beat = 1.0;\n";
  const struct { std::string text; std::vector<std::string> words; } cases[] = {
      {"[tb303 ", tb303Words}, {"[sampler set", {"setRate:"}}, {methods + "[self ", {"bassNote", "wait:"}},
      {"x = [tb", {"tb303"}}, {methods + "x = b", {"Braindance", "beat"}}, {"x = ac", {"Acid"}}, {"[nobody ", {}}};
  for (const auto& c : cases) EXPECT_EQ(completionsAt(c.text, c.text.size()).words, c.words) << c.text;
  ASSERT_TRUE(showWithEditorFocused());
  type("[tb303 ");
  EXPECT_TRUE(editor()->SendScintilla(Sci::SCI_AUTOCACTIVE)) << "offered after [tb303 ";
}

// F1 finds the word's entry in the reference (README's copy); an example opens untitled.
TEST_F(EditorTest, HelpAndExamples) {
  ASSERT_TRUE(showWithEditorFocused());
  const struct { const char* script; int column; const char* entry; } cases[] = {
      {"[sampler play:\"kick\"];", 10, "play: a bundled sound"}, {"[tb303 play];", 8, "play switches"},
      {"async { }", 1, "async: "}, {"x = Acid;", 5, "Acid 0.85"}};
  for (const auto& c : cases) {
    view().setSourceCode(c.script);
    editor()->setCursorPosition(0, c.column);
    QTest::keyClick(editor(), Qt::Key_F1);
    auto* help = window->findChild<LanguageHelp*>();
    ASSERT_TRUE(help && help->isVisible());
    EXPECT_TRUE(help->browser()->textCursor().block().text().startsWith(c.entry)) << c.script;
  }
  std::vector<std::string_view> names = builtInConstantNames();
  for (std::string_view receiver : receiverNames()) {
    names.push_back(receiver);
    for (std::string_view selector : selectorsOf(receiver)) names.push_back(selector);
  }
  auto* help = window->findChild<LanguageHelp*>();
  for (std::string_view word : names) {
    const QString name = QString::fromUtf8(word.data(), word.size());
    help->showEntry(name);
    EXPECT_TRUE(help->browser()->textCursor().block().text().startsWith(name)) << word << ": not in language.md";
  }
  const std::string docs = test::readFile(QUARN_TEST_DATA_DIR "/../docs/language.md");
  const std::string readme = test::readFile(QUARN_TEST_DATA_DIR "/../README.md");
  EXPECT_EQ(languageReference().toStdString(), docs) << "the program holds the file as it is";
  EXPECT_NE(readme.find("-->\n\n" + docs + "\n<!--"), std::string::npos)
      << "README's language section is a copy of docs/language.md: copy it again";

  const std::vector<Example> examples = bundledExamples();
  EXPECT_GE(examples.size(), 6u);
  answers = {SaveAnswer::discard};
  for (QAction* action : window->findChildren<QAction*>())
    if (action->text() == examples[0].title) action->trigger();
  EXPECT_EQ(view().sourceCode(), examples[0].text);
  EXPECT_TRUE(!window->file() && !window->isWindowModified());
}

TEST_F(EditorTest, ConsoleSplitAndWindowSizeKeptAcrossStarts) {
  ASSERT_TRUE(showWithEditorFocused());
  EXPECT_GE(console()->height(), 4 * QFontMetrics(console()->font()).lineSpacing()) << "four lines at first";
  QSplitter* splitter = view().widgets().splitter;
  window->resize(700, 500);
  splitter->setSizes({200, 300});
  QTest::qWait(50);
  const QList<int> sizes = splitter->sizes();
  answers = {SaveAnswer::discard};
  window->close();
  window = makeWindow(pathIn("session"));
  ASSERT_TRUE(showWithEditorFocused());
  EXPECT_EQ(window->size(), QSize(700, 500));
  EXPECT_EQ(view().widgets().splitter->sizes(), sizes);
}

}  // namespace
}  // namespace quarn
