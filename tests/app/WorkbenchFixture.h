#pragma once
// A workbench window over a silent engine with an empty resources folder, and the
// standard-output lines the run prints.

#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/ContentView.h"
#include "audio/EngineManager.h"
#include "audio/SynthVoice.h"
#include "support/Diagnostics.h"

namespace quarn::test {

// Generous: runs finish in milliseconds, but a loaded machine may be slow.
inline constexpr int kPatienceMs = 30000;

// Collects printLine output for as long as it lives.
class CapturedLines {
public:
  CapturedLines() {
    setLineSink([store = store_](std::string_view line) {
      std::lock_guard<std::mutex> guard(store->mutex);
      store->lines.emplace_back(line);
    });
  }
  ~CapturedLines() { setLineSink({}); }

  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> guard(store_->mutex);
    return store_->lines;
  }

private:
  struct Store {
    std::mutex mutex;
    std::vector<std::string> lines;
  };
  std::shared_ptr<Store> store_ = std::make_shared<Store>();
};

inline std::filesystem::path emptyResourcesDir() {
  auto dir = std::filesystem::temp_directory_path() / "quarn-app-tests-resources";
  std::filesystem::create_directories(dir);
  return dir;
}

inline std::shared_ptr<EngineManager> silentEngine() {
  return std::make_shared<EngineManager>(emptyResourcesDir(), AudioOutput::none);
}

class WorkbenchFixture : public ::testing::Test {
protected:
  void SetUp() override {
    engine = silentEngine();
    view = std::make_unique<ContentView>(engine);
  }
  void TearDown() override {
    view.reset();
    engine->isRunning.store(false);  // anything still running stops at its next statement
  }

  SynthVoice& voice() { return *engine->synth->pointer; }

  void showView() {
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
  }

  bool waitForLog(const std::string& expected) {
    return QTest::qWaitFor([&] { return view->logOutput() == expected; }, kPatienceMs);
  }

  CapturedLines output;
  std::shared_ptr<EngineManager> engine;
  std::unique_ptr<ContentView> view;
};

}  // namespace quarn::test
