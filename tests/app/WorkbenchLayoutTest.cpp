// The window's arrangement and colours, checked on a grab of the real widgets
// (also saved as workbench.png in the build tree for a look by eye).

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "WorkbenchFixture.h"

namespace quarn::test {
namespace {

using WorkbenchLayout = WorkbenchFixture;

// A pixel near the bottom-right corner of a widget: away from its text.
QColor emptyCornerColour(const QImage& image, const QWidget* widget) {
  const QRect area = widget->geometry();
  return image.pixelColor(area.right() - 4, area.bottom() - 3);
}

TEST_F(WorkbenchLayout, EditorAboveButtonRowAboveConsoleInAFixedFrame) {
  showView();
  auto* editor = view->findChild<QPlainTextEdit*>("editor");
  auto* compile = view->findChild<QPushButton*>("compileButton");
  auto* halt = view->findChild<QPushButton*>("haltButton");
  auto* console = view->findChild<QLabel*>("console");
  ASSERT_TRUE(editor && compile && halt && console);

  EXPECT_EQ(view->size(), QSize(600, 400));
  EXPECT_EQ(view->minimumSize(), view->maximumSize()) << "the window cannot be resized";
  EXPECT_TRUE(view->windowTitle().isEmpty());
  EXPECT_EQ(compile->text(), "Compile and Run");
  EXPECT_EQ(halt->text(), "[tb303 release];");

  EXPECT_EQ(editor->geometry().top(), 0);
  EXPECT_EQ(editor->width(), 600);
  EXPECT_EQ(compile->geometry().top(), editor->geometry().bottom() + 1) << "no spacing in the column";
  EXPECT_EQ(compile->geometry().top(), halt->geometry().top());
  EXPECT_LE(std::abs(compile->width() - halt->width()), 1) << "the buttons share the row";
  EXPECT_GT(compile->width(), 250);
  EXPECT_LT(compile->geometry().right(), halt->geometry().left());
  EXPECT_EQ(console->geometry().top(), compile->geometry().bottom() + 1);
  EXPECT_EQ(console->geometry().bottom(), 399);
  EXPECT_EQ(console->width(), 600);
  EXPECT_GT(editor->height(), console->height()) << "the editor takes the free height";
}

TEST_F(WorkbenchLayout, GrabShowsTheColoursOfEachRegion) {
  showView();
  view->setSourceCode("[tb303 play];\n[self wait:1];");
  view->haltSystem();  // a console text of some length
  const QImage image = view->grab().toImage();
  const std::string file = std::string(QUARN_BINARY_DIR) + "/workbench.png";
  EXPECT_TRUE(image.save(QString::fromStdString(file)));
  ASSERT_EQ(image.size(), QSize(600, 400));

  const QColor editor = emptyCornerColour(image, view->findChild<QPlainTextEdit*>("editor"));
  EXPECT_LT(editor.lightness(), 80) << editor.name().toStdString();
  int greenTextPixels = 0;  // the two script lines sit in the editor's top-left corner
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 200; ++x) {
      const QColor colour = image.pixelColor(x, y);
      greenTextPixels += colour.green() > 150 && colour.red() < 80 && colour.blue() < 80;
    }
  }
  EXPECT_GT(greenTextPixels, 50);

  const QColor compile = emptyCornerColour(image, view->findChild<QPushButton*>("compileButton"));
  EXPECT_GT(compile.blue(), compile.red() + 100) << compile.name().toStdString();
  EXPECT_GT(compile.blue(), compile.green() + 50) << compile.name().toStdString();

  const QColor halt = emptyCornerColour(image, view->findChild<QPushButton*>("haltButton"));
  EXPECT_GT(halt.red(), halt.green() + 100) << halt.name().toStdString();
  EXPECT_GT(halt.red(), halt.blue() + 100) << halt.name().toStdString();

  const QColor console = emptyCornerColour(image, view->findChild<QLabel*>("console"));
  EXPECT_GT(console.lightness(), 150) << console.name().toStdString();
  EXPECT_LT(console.lightness(), 250) << "gray, not white: " << console.name().toStdString();
  EXPECT_LE(std::abs(console.red() - console.blue()), 12) << console.name().toStdString();
}

}  // namespace
}  // namespace quarn::test
