// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window over a silent engine, its session in a fresh folder, its questions answered by the test.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <Qsci/qsciscintilla.h>

#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

#include "app/QuarnApp.h"
#include "support/Diagnostics.h"

namespace quarn {

inline constexpr int kPatienceMs = 30000;  // runs take milliseconds; a loaded machine may be slow

struct QtApplication : ::testing::Environment {
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit());  // not /tmp/runtime-USER, left behind
    app = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { app.reset(); }
  QTemporaryDir runtimeDir;
  int argc = 1;
  char name[10] = "app_tests", *argv[2] = {name, nullptr};
  std::unique_ptr<QApplication> app;
};

// One application for the whole test program, however many files include this.
inline auto* const qtApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

inline std::string lastLineOf(const WorkbenchWindow& window) {
  const std::string log = window.view().logOutput();
  return log.substr(log.rfind('\n') + 1);
}

class WorkbenchFixture : public ::testing::Test {
protected:
  void SetUp() override {
    setLineSink([this](std::string_view line) { std::lock_guard guard(mutex); lines.emplace_back(line); });
  }
  void TearDown() override { setLineSink({}); if (engine) engine->isRunning.store(false); }  // what runs stops

  std::unique_ptr<WorkbenchWindow> makeWindow(const std::filesystem::path& session) {
    WorkbenchDialogs dialogs;
    dialogs.askToSave = [this](QWidget*, const QString& question) {
      questions.push_back(question.toStdString());
      if (answers.empty()) return SaveAnswer::cancel;
      const SaveAnswer answer = answers.front();
      answers.pop_front();
      return answer;
    };
    dialogs.chooseFileToOpen = [this](QWidget*) { return chosenFile; };
    dialogs.chooseFileToSave = [this](QWidget*, const std::filesystem::path&) { return chosenFile; };
    dialogs.chooseRenderFile = dialogs.chooseRecordFile = [this](QWidget*, const std::filesystem::path& suggested) {
      return suggestedFile = suggested, chosenFile;
    };
    dialogs.chooseLeftover = [this](QWidget*, const QStringList& labels) { leftoverLabels = labels; return chosenLeftover; };
    return QuarnApp::makeWindow(engine, session, dialogs);
  }
  std::filesystem::path pathIn(const char* name) const { return std::filesystem::path(folder.path().toStdString()) / name; }

  std::vector<std::string> output() { std::lock_guard guard(mutex); return lines; }
  // Shown, active and typing into the editor, as when the user clicks into it.
  bool showWithEditorFocused() {
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) return false;
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) return false;
    editor()->setFocus();
    return true;
  }
  bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, kPatienceMs); }
  bool waitForLog(const std::string& text) { return waitFor([&] { return view().logOutput() == text; }); }
  bool runToEnd(const std::string& script) {
    view().setSourceCode(script);
    view().compileAndRun();
    return waitFor([&] { return view().logOutput().ends_with("End of all sequences."); });
  }
  std::string lastLine() const { return lastLineOf(*window); }
  ContentView& view() { return window->view(); }
  QsciScintilla* editor() { return view().widgets().editor; }
  QPlainTextEdit* console() { return view().widgets().console; }

  QTemporaryDir folder;
  std::mutex mutex;
  std::vector<std::string> lines;
  std::deque<SaveAnswer> answers;
  std::vector<std::string> questions;
  std::optional<std::filesystem::path> chosenFile;
  std::filesystem::path suggestedFile;
  QStringList leftoverLabels;
  std::optional<int> chosenLeftover;
  std::thread::id engineEndedOn;
  std::shared_ptr<EngineManager> engine{new EngineManager("/nonexistent", AudioOutput::none),
                                        [this](EngineManager* e) { engineEndedOn = std::this_thread::get_id(); delete e; }};
  SynthVoice& voice = *engine->synth->pointer;
  std::unique_ptr<WorkbenchWindow> window = makeWindow(pathIn("session"));
};

}  // namespace quarn
