// SPDX-License-Identifier: GPL-3.0-or-later
// The window while a run floods its console with 2000 lines a second for 10 s,
// standard output being a pipe that nobody reads; beside it, the same window
// idle for as long (the reference). Reported: the event loop's worst delay
// (how late a 10 ms timer fired at worst, and at the 99th percentile) and the
// process's memory before and after. Offscreen; one iteration each, since each takes the whole 10 s.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "app/QuarnApp.h"
#include "support/Diagnostics.h"

namespace {

using namespace quarn;

constexpr int kTickMs = 10;
constexpr int kFloodSeconds = 10;
// 20 lines then 10 ms: 2000 lines a second.
const std::string kFloodScript =
    "int t = 0;\n"
    "int i = 0;\n"
    "while (t < " + std::to_string(kFloodSeconds * 100) + ") {\n"
    "  i = 0;\n"
    "  while (i < 20) { [nobody x]; i = i + 1; }\n"
    "  [self wait:0.01];\n"
    "  t = t + 1;\n"
    "}\n";

double residentMegabytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

// Standard output becomes a pipe that nobody reads, until the scope ends.
class UnreadStandardOutput {
public:
  UnreadStandardOutput() : saved_(::dup(STDOUT_FILENO)) {
    if (::pipe(pipe_) == 0) ::dup2(pipe_[1], STDOUT_FILENO);
  }
  // The backlog left goes to /dev/null, not into the report.
  ~UnreadStandardOutput() {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::close(pipe_[0]);  // the writer thread's blocked write fails now
    ::close(pipe_[1]);
    quarn::flushStandardOutput();
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
    ::close(null);
  }

private:
  int saved_;
  int pipe_[2] = {-1, -1};
};

void runWindow(benchmark::State& state, bool flood) {
  static int argc = 1;
  static char name[] = "workbench_flood_bench", *argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // never destroyed: at exit Qt's own statics may already be gone
  static QApplication* const application = new QApplication(argc, argv);
  (void)application;
  for (auto _ : state) {
    QTemporaryDir session;
    auto window = QuarnApp::makeWindow(std::make_shared<EngineManager>("/nonexistent", AudioOutput::none),
                                       session.path().toStdString());
    window->show();
    QTest::qWait(200);
    const double before = residentMegabytes();
    std::vector<qint64> delaysMs;
    QElapsedTimer sinceTick;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { delaysMs.push_back(sinceTick.restart() - kTickMs); });
    {
      UnreadStandardOutput unread;
      if (flood) {
        window->view().setSourceCode(kFloodScript);
        window->view().compileAndRun();
      }
      sinceTick.start();
      ticker.start(kTickMs);
      QTest::qWait(kFloodSeconds * 1000);
      const bool ended = !flood || QTest::qWaitFor([&] { return !window->view().isRunning(); }, 20000);
      if (!ended) state.SkipWithError("the flood did not end");
      ticker.stop();
    }
    // the worst is at the mercy of the machine's other load; the 99th percentile less so
    std::sort(delaysMs.begin(), delaysMs.end());
    state.counters["worst_delay_ms"] = delaysMs.empty() ? 0.0 : static_cast<double>(delaysMs.back());
    state.counters["p99_delay_ms"] = delaysMs.empty() ? 0.0 : static_cast<double>(delaysMs[delaysMs.size() * 99 / 100]);
    state.counters["rss_before_MB"] = before;
    state.counters["rss_after_MB"] = residentMegabytes();
    state.counters["console_lines"] = window->view().widgets().console->document()->blockCount();
  }
}

void BM_IdleWindow(benchmark::State& state) { runWindow(state, false); }
void BM_Flood2000LinesPerSecond(benchmark::State& state) { runWindow(state, true); }

BENCHMARK(BM_IdleWindow)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Flood2000LinesPerSecond)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
