// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The workbench's root view: the editor text (sourceCode), the console
// (logOutput) and the engine shared by every run started from this window, with
// the two actions behind the buttons: compileAndRun and haltSystem.
//
// Each run gets an id and a line route: the lines its threads print reach the
// console through a ConsoleFeed, tagged with that id, and only the lines of the
// run the console shows are appended. A halted or older run thus never writes
// into a newer run's console text. A line printed by a statement shows where
// that statement stands (ConsolePlaces) and marks its line in the editor
// (EditorNotes); after a pause in typing the editor shows the script's
// warnings (WarningCheck).
//
// Threads: main thread only. A run's threads never touch the view.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <QStringList>
#include <QWidget>

#include "app/WorkbenchLayout.h"
#include "audio/EngineManager.h"
#include "frontend/Ast.h"
#include "frontend/SourceLocation.h"

class QShowEvent;


namespace quarn {

class ConsoleFeed;
struct ConsoleLine;
class ConsolePlaces;
class EditorNotes;
class SourceLines;
class WarningCheck;

inline constexpr std::string_view kInitialSourceCode =
    "[tb303 setFrequency:110.0];\n[tb303 setCutoff:FrequencyHigh];\n[tb303 setResonance:Maximum];";
inline constexpr std::string_view kInitialLogOutput = "Quarn Compiler Ready.";
inline constexpr std::string_view kCompilingText = "Compiling...\n";
inline constexpr std::string_view kExecutionStartedText =
    "AST successfully built. Execution started in background...\n";
inline constexpr std::string_view kExecutionCompleteText = "Execution complete.";
inline constexpr std::string_view kHaltedMessage = "System halted. ";  // tagged as a log line
// Editor and console zoom, in Scintilla's steps of one point.
inline constexpr int kMinZoom = -4;
inline constexpr int kMaxZoom = 20;

// The console line under a parse error: "at line L, column C".
std::string errorPlaceText(const SourceLocation& location);

class ContentView : public QWidget {
  Q_OBJECT

public:
  // engine lives at least as long as the view; runs keep their own hold on it.
  explicit ContentView(std::shared_ptr<EngineManager> engine, QWidget* parent = nullptr);
  ~ContentView() override;

  const std::shared_ptr<EngineManager>& engine() const { return engine_; }
  const WorkbenchWidgets& widgets() const { return widgets_; }
  std::string sourceCode() const;
  void setSourceCode(std::string_view text);
  // The console's lines, joined by line breaks.
  std::string logOutput() const;
  // A line of the window's own (not of a run) at the end of the console.
  void addConsoleLine(std::string_view text);
  // A parse error found outside a run (a render's): its lines added, its place marked.
  void addParseError(std::string_view error, const SourceLocation& location);
  // Runs whose threads have not all ended.
  bool isRunning() const { return !liveRuns_.empty(); }
  // The run's line marks and the warnings in the editor.
  const EditorNotes& notes() const { return *notes_; }
  // Moves the editor's cursor to a place of the console's run.
  void showPlace(const SourceLocation& where);

  // Compiles the editor text here and starts it on the global work queue.
  void compileAndRun();
  // Stops every run at its next statement, silences the voice and the sampler.
  void haltSystem();
  // Editor and console text together, one step bigger, smaller, or back to normal.
  void zoom(int steps);
  void resetZoom();

signals:
  void runningChanged();
  void halted();  // the halt button or Ctrl+Period

protected:
  void showEvent(QShowEvent* event) override;

private:
  void connectActions();
  void setConsoleLines(const QStringList& lines);
  void appendConsoleLines(const QStringList& lines);
  // Appends the lines that came from the console's run (unless showLines is false)
  // and notes the runs that ended.
  void takeConsoleLines(bool showLines);
  // Gives each of the console's last lines that has a place its place and its mark.
  void placeNewLines(const std::vector<const ConsoleLine*>& lines);
  // Starts program with its lines routed to the console under runId.
  void startConsoleRun(std::uint64_t runId, ProgramNode program);
  void markError(const SourceLocation& location);
  void clearErrorMark();
  void applyZoom();

  const std::shared_ptr<EngineManager> engine_;
  WorkbenchWidgets widgets_;  // the editor holds sourceCode, the console logOutput
  const std::shared_ptr<ConsoleFeed> feed_;
  std::uint64_t lastRunId_ = 0;
  std::uint64_t consoleRunId_ = 0;  // the run whose lines the console shows
  std::set<std::uint64_t> liveRuns_;
  std::unique_ptr<SourceLines> consoleRunText_;  // the text of the console's run, to place its lines
  ConsolePlaces* consolePlaces_;
  EditorNotes* notes_;
  WarningCheck* warningCheck_;
  int zoom_ = 0;
};

}  // namespace quarn
