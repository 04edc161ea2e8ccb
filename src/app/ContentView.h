#pragma once
// The workbench's root view: the editor text (sourceCode), the console text
// (logOutput) and the engine shared by every run started from this window, with
// the two actions behind the buttons: compileAndRun and haltSystem.
//
// Threads: main thread only. A run's background job never touches the view; its
// "Execution complete." comes back as a job on the main thread (RunReporter.h).

#include <memory>
#include <string>
#include <string_view>

#include <QWidget>

#include "app/WorkbenchLayout.h"
#include "audio/EngineManager.h"

class QCloseEvent;
class QShowEvent;

namespace quarn {

class RunReporter;

inline constexpr std::string_view kInitialSourceCode =
    "[tb303 setFrequency:110.0];\n[tb303 setCutoff:FrequencyHigh];\n[tb303 setResonance:Maximum];";
inline constexpr std::string_view kInitialLogOutput = "Quarn Compiler Ready.";
inline constexpr std::string_view kCompilingText = "Compiling...\n";
inline constexpr std::string_view kExecutionStartedText =
    "AST successfully built. Execution started in background...\n";
inline constexpr std::string_view kExecutionCompleteText = "Execution complete.";
// Shown when a run's top level could not start.
inline constexpr std::string_view kRunNotStartedText =
    "quarn: the run could not start (too many threads or too little memory).";
inline constexpr std::string_view kHaltedText = "[VRKLog] System halted. ";

class ContentView : public QWidget {
  Q_OBJECT

public:
  // engine lives at least as long as the view; runs keep their own hold on it.
  explicit ContentView(std::shared_ptr<EngineManager> engine, QWidget* parent = nullptr);
  ~ContentView() override;

  const std::shared_ptr<EngineManager>& engine() const { return engine_; }
  std::string sourceCode() const;
  void setSourceCode(std::string_view text);
  const std::string& logOutput() const { return logOutput_; }

  // Compiles the editor text here and starts it on the global work queue.
  void compileAndRun();
  // Stops every run at its next statement, silences the voice and the sampler.
  void haltSystem();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void connectActions();
  void setLogOutput(std::string text);
  void finishRun(const std::string& failure);

  const std::shared_ptr<EngineManager> engine_;
  WorkbenchWidgets widgets_;  // the editor holds sourceCode
  std::string logOutput_;
  const std::shared_ptr<RunReporter> reporter_;
};

}  // namespace quarn
