// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The look of the workbench: the editor above a row of two buttons above the
// console, in a window that opens at 600 x 400 and may grow; the editor takes
// every extra pixel, so the button row and the console never move relative to
// the window's bottom edge. A splitter above the button row lets the user give
// the console more room. Builds widgets only; the actions behind them belong
// to ContentView.
// Threads: main thread only.

class QFont;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QVBoxLayout;
class QWidget;
class QsciScintilla;

namespace quarn {

class LevelMeter;

inline constexpr int kWindowWidth = 600;
inline constexpr int kWindowHeight = 400;
// The toolkit's default padding around the editor, the button labels and the console.
inline constexpr int kDefaultPadding = 8;
// Default space between the two buttons of the row.
inline constexpr int kButtonSpacing = 8;
// Text sizes in pixels: body (editor), headline (button labels, bold), caption (console).
inline constexpr int kBodyPixelSize = 13;
inline constexpr int kHeadlinePixelSize = 13;
inline constexpr int kCaptionPixelSize = 10;
// The console's height at first: five caption lines and its padding.
inline constexpr int kConsoleHeight = 84;
// The least the splitter leaves it: two caption lines and its padding.
inline constexpr int kConsoleMinHeight = 36;
// Lines the console keeps; older ones scroll away for good.
inline constexpr int kConsoleHistoryLines = 10000;
// Columns a Tab inserts (as spaces).
inline constexpr int kTabColumns = 4;
// Scintilla's markers and indicators used for a parse error.
inline constexpr int kErrorMarker = 1;
inline constexpr int kErrorIndicator = 8;
inline constexpr int kMarkerMargin = 1;

struct WorkbenchWidgets {
  QsciScintilla* editor = nullptr;
  QPushButton* compileButton = nullptr;
  QPushButton* haltButton = nullptr;
  LevelMeter* meter = nullptr;  // beside the buttons
  QPlainTextEdit* console = nullptr;
  // Editor (with what sits under it) above, buttons and console below.
  QSplitter* splitter = nullptr;
  QVBoxLayout* editorColumn = nullptr;
};

// Lays the workbench out inside root and returns its parts.
WorkbenchWidgets buildWorkbenchLayout(QWidget* root);

// The fixed-width system font at pixelSize.
QFont monospacedFont(int pixelSize);

}  // namespace quarn
