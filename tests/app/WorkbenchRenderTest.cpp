// Render to File: the file through the menu's shortcut, its console lines, one
// render at a time, and a parse error or a cancelled dialog writing nothing.
#include "WorkbenchTestSupport.h"

#include "audio/SampleFile.h"

namespace quarn {
namespace {

namespace fs = std::filesystem;

using WorkbenchRender = WorkbenchFixture;

TEST_F(WorkbenchRender, RendersTheScriptToTheChosenFile) {
  const fs::path out = pathIn("out.wav");
  ASSERT_TRUE(showWithEditorFocused());
  // the script's own lines stay out of the console
  view().setSourceCode("[nobody here];\n[tb303 setFrequency:110];\n[tb303 play];\n[self wait:0.5];\n[tb303 release];\n");
  chosenFile = out;
  QTest::keyClick(editor(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(suggestedFile, "untitled.wav");
  EXPECT_TRUE(window->isRendering());
  EXPECT_FALSE(window->renderToFile());  // one at a time
  EXPECT_EQ(view().logOutput(), "Quarn Compiler Ready.\nRendering to out.wav…");
  // the default tail of two seconds follows the script's half second
  ASSERT_TRUE(waitForLog("Quarn Compiler Ready.\nRendering to out.wav…\nRendered out.wav (2.50 s of audio)."))
      << view().logOutput();
  EXPECT_FALSE(window->isRendering());
  const auto sound = decodeSampleFile(out);
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(sound->frameCount, 110250);

  // closed while a render runs: the render ends and its lines go nowhere
  chosenFile = pathIn("late.wav");
  ASSERT_TRUE(window->renderToFile());
  window.reset();
  ASSERT_TRUE(waitFor([&] { return fs::exists(pathIn("late.wav")); }));
  QTest::qWait(100);  // a delivery posted to the window is dropped with it
}

TEST_F(WorkbenchRender, AParseErrorOrACancelWritesNothing) {
  const fs::path out = pathIn("beat.wav");
  ASSERT_TRUE(window->saveTo(pathIn("beat.quarn")));
  view().setSourceCode("[tb303 play\n");
  EXPECT_FALSE(window->renderToFile());  // cancelled: nothing said, nothing marked
  EXPECT_EQ(suggestedFile, out);
  EXPECT_EQ(view().logOutput(), "Quarn Compiler Ready.");
  EXPECT_EQ(editor()->markersAtLine(1), 0u);
  chosenFile = out;
  EXPECT_FALSE(window->renderToFile());
  EXPECT_FALSE(window->isRendering());
  EXPECT_FALSE(fs::exists(out));
  const std::string log = view().logOutput();
  EXPECT_NE(log.find("\nParsing error"), std::string::npos) << log;
  EXPECT_NE(log.find("\nat line "), std::string::npos) << log;
  EXPECT_NE(editor()->markersAtLine(0) | editor()->markersAtLine(1), 0u);
}

}  // namespace
}  // namespace quarn
