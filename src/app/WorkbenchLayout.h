#pragma once
// The look of the workbench: the editor above a row of two buttons above the
// console line, in a fixed 600 x 400 frame. Builds widgets only; the actions
// behind them belong to ContentView.
// Threads: main thread only.

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace quarn {

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

struct WorkbenchWidgets {
  QPlainTextEdit* editor = nullptr;
  QPushButton* compileButton = nullptr;
  QPushButton* haltButton = nullptr;
  QLabel* console = nullptr;
};

// Lays the workbench out inside root (which gets the fixed size) and returns its parts.
WorkbenchWidgets buildWorkbenchLayout(QWidget* root);

}  // namespace quarn
