// SPDX-License-Identifier: GPL-3.0-or-later
// Record over an engine pulled in real time as a device would.
#include "WorkbenchTestSupport.h"

#include <signal.h>
#include <sys/resource.h>

#include <QAction>
#include <QRegularExpression>
#include <QStandardPaths>

#include <sstream>
#include <thread>

#include "app/RecordToggle.h"
#include "audio/SampleFile.h"
#include "cli/RenderCommand.h"

namespace quarn {
namespace {

const std::string kClicks = "int i = 0;\nwhile (i < 8) { i = i + 1; [sampler play:\"rim\"]; [self wait:0.25]; }";
// Far more than a loaded machine keeps a script thread waiting: every click lands on its frame.
constexpr std::int64_t kTestLatencyFrames = 22050;
constexpr int kDeviceBlockFrames = 256;

std::vector<float> leftChannel(const std::filesystem::path& file) {
  std::vector<float> left;
  if (const auto sound = decodeSampleFile(file))
    for (long i = 0; i < sound->frameCount; ++i) left.push_back(sound->samples[2 * i]);
  return left;
}

std::size_t firstSound(const std::vector<float>& samples) {
  return std::find_if(samples.begin(), samples.end(), [](float s) { return s != 0.0f; }) - samples.begin();
}

bool matches(const std::string& text, const char* pattern) {
  return QRegularExpression(pattern).match(QString::fromStdString(text)).hasMatch();
}

class WorkbenchRecord : public WorkbenchFixture {
protected:
  void SetUp() override {
    WorkbenchFixture::SetUp();
    engine = std::make_shared<EngineManager>(EngineManager::defaultResourcesDir(), AudioOutput::pulled);
    engine->setLatencyFrames(kTestLatencyFrames);
    engine->start();  // the voice off before the first pull, as a real device opens only then
    window = makeWindow(pathIn("session-record"));
    device = std::thread([this] {
      std::vector<float> left(kDeviceBlockFrames), right(kDeviceBlockFrames);
      float* channels[2] = {left.data(), right.data()};
      const auto block = std::chrono::nanoseconds(kNanosPerSecond * kDeviceBlockFrames / kSampleRate);
      for (auto next = std::chrono::steady_clock::now(); !isDeviceDone.load(); next += block) {
        engine->render(channels, 2, kDeviceBlockFrames);
        std::this_thread::sleep_until(next);
      }
    });
  }
  void TearDown() override { isDeviceDone = true; device.join(); WorkbenchFixture::TearDown(); }
  RecordToggle& toggle() { return window->recordToggle(); }
  bool waitForFrames(std::int64_t n) { return waitFor([&] { return engine->recorder().progress().framesTaken > n; }); }
  std::atomic<bool> isDeviceDone{false};
  std::thread device;
};

TEST_F(WorkbenchRecord, AClickScriptRecordedLiveIsItsRenderSampleForSample) {
  chosenFile = pathIn("take.wav");
  ASSERT_TRUE(showWithEditorFocused());
  QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
  ASSERT_TRUE(toggle().isRecording() && toggle().action()->isChecked());
  EXPECT_EQ(lastLine(), "Recording to take.wav…");
  EXPECT_EQ(suggestedFile.parent_path(), QStandardPaths::writableLocation(QStandardPaths::MusicLocation).toStdString());
  EXPECT_TRUE(matches(suggestedFile.filename(), R"(^Quarn \d{4}-\d\d-\d\d \d\d-\d\d-\d\d\.wav$)")) << suggestedFile;
  EXPECT_TRUE(window->windowTitle().startsWith("Untitled[*] — recording 0:0")) << window->windowTitle().toStdString();

  view().setSourceCode(kClicks);
  view().compileAndRun();
  ASSERT_TRUE(waitFor([&] { return !view().isRunning(); }));
  ASSERT_TRUE(waitForFrames(engine->recorder().progress().framesTaken + 2 * kTestLatencyFrames));  // sounded out
  EXPECT_TRUE(window->windowTitle().contains(QRegularExpression("— recording 0:0[2-9]")));
  EXPECT_EQ(engine->recorder().progress().framesLost, 0);
  toggle().action()->trigger();
  EXPECT_FALSE(toggle().isRecording() || toggle().action()->isChecked() || window->windowTitle().contains("recording"));
  EXPECT_TRUE(matches(lastLine(), R"(^Recorded take\.wav \(\d+\.\d\d s of audio\)\.$)")) << lastLine();

  RenderOptions options{pathIn("rendered.wav").string(), {}, kDefaultRenderTailSeconds, "float",
                        EngineManager::defaultResourcesDir()};
  std::ostringstream err;
  ASSERT_EQ(renderCommand(kClicks, options, err), 0) << err.str();
  const std::vector<float> rendered = leftChannel(options.output), recorded = leftChannel(pathIn("take.wav"));
  const std::size_t renderedStart = firstSound(rendered), recordedStart = firstSound(recorded);
  ASSERT_TRUE(renderedStart < rendered.size() && recordedStart >= renderedStart);
  const std::size_t offset = recordedStart - renderedStart;
  const std::size_t length = std::min(rendered.size(), recorded.size() - offset);
  EXPECT_GT(length, 2u * 44100u);  // all eight clicks
  for (std::size_t i = 0; i < length; ++i) ASSERT_EQ(recorded[offset + i], rendered[i]) << "frame " << i;
}

// The file's size limit stands in for a full disk; the file keeps what the line says.
TEST_F(WorkbenchRecord, AFullDiskOrClosingTheWindowEndsTheFileWithOneLine) {
  chosenFile = pathIn("full.wav");
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  const rlimit small{64 * 1024, old.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  ASSERT_TRUE(toggle().start());
  const bool hasStopped = waitFor([&] { return !toggle().isRecording(); });
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, previousHandler);
  ASSERT_TRUE(hasStopped && !toggle().action()->isChecked());
  char seconds[16];
  std::snprintf(seconds, sizeof seconds, "%.2f", leftChannel(pathIn("full.wav")).size() / static_cast<double>(kSampleRate));
  EXPECT_TRUE(matches(lastLine(), R"(^Recording stopped: full\.wav takes no more \(.+\); it keeps the first )"
                                  R"(0\.\d\d s\. Free some disk space or record to another place\.$)")) << lastLine();
  EXPECT_NE(lastLine().find(std::string(seconds) + " s."), std::string::npos) << seconds;

  chosenFile = pathIn("closed.flac");
  ASSERT_TRUE(toggle().start() && waitForFrames(0));
  window->close();
  EXPECT_TRUE(!toggle().isRecording() && lastLine().starts_with("Recorded closed.flac (")) << lastLine();
  EXPECT_FALSE(leftChannel(pathIn("closed.flac")).empty());
}

TEST_F(WorkbenchFixture, WithNothingRenderedThereIsNothingToRecord) {
  chosenFile = pathIn("never.wav");
  EXPECT_FALSE(window->recordToggle().start() || window->recordToggle().action()->isChecked());
  EXPECT_EQ(view().logOutput(), "Quarn Compiler Ready.\nNothing to record: there is no audio device.");
}

}  // namespace
}  // namespace quarn
