// Record in the window, over an engine pulled block by block in real time as a
// device would: a click script recorded while it runs is, sample for sample,
// what `quarn render` makes of it, nothing lost; the title counts the time; a
// file that takes no more, or closing the window, ends the file with its line;
// with nothing rendered there is nothing to record.
#include "WorkbenchTestSupport.h"

#include <signal.h>
#include <sys/resource.h>

#include <QAction>
#include <QRegularExpression>
#include <QStandardPaths>

#include <sstream>
#include <thread>

#include "app/QtText.h"
#include "app/RecordToggle.h"
#include "audio/SndfileLibrary.h"
#include "cli/RenderCommand.h"

namespace quarn {
namespace {

namespace fs = std::filesystem;

const std::string kClicks = "int i = 0;\nwhile (i < 8) { i = i + 1; [sampler play:\"rim\"]; [self wait:0.25]; }";
// Far more than a loaded machine keeps a script thread waiting: every click lands on its frame.
constexpr std::int64_t kTestLatencyFrames = 22050;
constexpr int kDeviceBlockFrames = 256;

std::vector<float> leftChannel(const fs::path& file) {
  SF_INFO info{};
  SNDFILE* sound = sndfileOpen(file.c_str(), SFM_READ, &info);
  if (sound == nullptr) return {};
  std::vector<float> frames(static_cast<std::size_t>(info.frames * info.channels));
  sndfileReadFloatFrames(sound, frames.data(), info.frames);
  sndfileClose(sound);
  std::vector<float> left;
  for (std::size_t i = 0; i < frames.size(); i += static_cast<std::size_t>(info.channels)) left.push_back(frames[i]);
  return left;
}

std::size_t firstSound(const std::vector<float>& samples) {
  std::size_t i = 0;
  while (i < samples.size() && samples[i] == 0.0f) ++i;
  return i;
}

class WorkbenchRecord : public WorkbenchFixture {
protected:
  void SetUp() override {
    WorkbenchFixture::SetUp();
    engine = std::make_shared<EngineManager>(EngineManager::defaultResourcesDir(), AudioOutput::pulled);
    engine->setLatencyFrames(kTestLatencyFrames);
    window = makeWindow(pathIn("session-record"));
    device = std::thread([this] {
      std::vector<float> left(kDeviceBlockFrames), right(kDeviceBlockFrames);
      float* channels[2] = {left.data(), right.data()};
      const auto block = std::chrono::nanoseconds(kNanosPerSecond * kDeviceBlockFrames / kClockFrameRate);
      for (auto next = std::chrono::steady_clock::now(); !isDeviceDone.load(); next += block) {
        engine->render(channels, 2, kDeviceBlockFrames);
        std::this_thread::sleep_until(next);
      }
    });
  }
  void TearDown() override {
    isDeviceDone = true;
    device.join();
    WorkbenchFixture::TearDown();
  }
  std::string lastConsoleLine() {
    const std::string log = view().logOutput();
    return log.substr(log.rfind('\n') + 1);
  }
  QAction* recordAction() { return window->recordToggle().action(); }

  std::atomic<bool> isDeviceDone{false};
  std::thread device;
};

TEST_F(WorkbenchRecord, AClickScriptRecordedLiveIsItsRenderSampleForSample) {
  chosenFile = pathIn("take.wav");
  ASSERT_TRUE(showWithEditorFocused());
  QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
  ASSERT_TRUE(window->recordToggle().isRecording());
  EXPECT_TRUE(recordAction()->isChecked());
  EXPECT_EQ(lastConsoleLine(), "Recording to take.wav…");
  // the default: the Music folder, named with the moment
  EXPECT_EQ(suggestedFile.parent_path().string(),
            QStandardPaths::writableLocation(QStandardPaths::MusicLocation).toStdString());
  EXPECT_TRUE(QRegularExpression(R"(^Quarn \d{4}-\d\d-\d\d \d\d-\d\d-\d\d\.wav$)")
                  .match(QString::fromStdString(suggestedFile.filename().string()))
                  .hasMatch())
      << suggestedFile;
  EXPECT_TRUE(window->windowTitle().startsWith("Untitled[*] — recording 0:0")) << window->windowTitle().toStdString();

  view().setSourceCode(kClicks);
  view().compileAndRun();
  ASSERT_TRUE(waitFor([&] { return !view().isRunning(); }));
  // the last click sounds out after the latency
  const std::int64_t end = engine->recorder().progress().framesTaken + 2 * kTestLatencyFrames;
  ASSERT_TRUE(waitFor([&] { return engine->recorder().progress().framesTaken > end; }));
  EXPECT_TRUE(window->windowTitle().contains(QRegularExpression("— recording 0:0[2-9]")));
  EXPECT_EQ(engine->recorder().progress().framesLost, 0);
  recordAction()->trigger();
  EXPECT_FALSE(window->recordToggle().isRecording() || recordAction()->isChecked());
  EXPECT_FALSE(window->windowTitle().contains(toQString(kRecordingTitle)));
  EXPECT_TRUE(QRegularExpression(R"(^Recorded take\.wav \(\d+\.\d\d s of audio\)\.$)")
                  .match(QString::fromStdString(lastConsoleLine()))
                  .hasMatch())
      << lastConsoleLine();

  RenderOptions options;
  options.output = pathIn("rendered.wav").string();
  options.sampleFormat = "float";
  options.resourcesDir = EngineManager::defaultResourcesDir();
  std::ostringstream err;
  ASSERT_EQ(renderCommand(kClicks, options, err), 0) << err.str();
  const std::vector<float> rendered = leftChannel(options.output), recorded = leftChannel(pathIn("take.wav"));
  const std::size_t renderedStart = firstSound(rendered), recordedStart = firstSound(recorded);
  ASSERT_LT(renderedStart, rendered.size());
  ASSERT_GE(recordedStart, renderedStart);
  const std::size_t offset = recordedStart - renderedStart;
  const std::size_t length = std::min(rendered.size(), recorded.size() - offset);
  EXPECT_GT(length, 2u * 44100u);  // all eight clicks
  for (std::size_t i = 0; i < length; ++i) ASSERT_EQ(recorded[offset + i], rendered[i]) << "frame " << i;
}

// The file's size limit stands in for a full disk.
TEST_F(WorkbenchRecord, AFullDiskOrClosingTheWindowEndsTheFileWithOneLine) {
  chosenFile = pathIn("full.wav");
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  const rlimit small{64 * 1024, old.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  ASSERT_TRUE(window->recordToggle().start());
  const bool hasStopped = waitFor([&] { return !window->recordToggle().isRecording(); });
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, previousHandler);
  ASSERT_TRUE(hasStopped);
  EXPECT_FALSE(recordAction()->isChecked());
  EXPECT_TRUE(QRegularExpression(R"(^Recording stopped: full\.wav takes no more \(.+\); it keeps the first 0\.\d\d s\. )"
                                 R"(Free some disk space or record to another place\.$)")
                  .match(QString::fromStdString(lastConsoleLine()))
                  .hasMatch())
      << lastConsoleLine();

  chosenFile = pathIn("closed.flac");
  ASSERT_TRUE(window->recordToggle().start());
  ASSERT_TRUE(waitFor([&] { return engine->recorder().progress().framesTaken > 0; }));
  window->close();
  EXPECT_FALSE(window->recordToggle().isRecording());
  EXPECT_TRUE(lastConsoleLine().starts_with("Recorded closed.flac (")) << lastConsoleLine();
  SF_INFO info{};  // a finished file: readable
  SNDFILE* closed = sndfileOpen(pathIn("closed.flac").c_str(), SFM_READ, &info);
  EXPECT_NE(closed, nullptr);
  if (closed != nullptr) sndfileClose(closed);
}

using WorkbenchSilent = WorkbenchFixture;

TEST_F(WorkbenchSilent, WithNothingRenderedThereIsNothingToRecord) {
  chosenFile = pathIn("never.wav");
  EXPECT_FALSE(window->recordToggle().start());
  EXPECT_FALSE(window->recordToggle().action()->isChecked() || fs::exists(*chosenFile));
  EXPECT_EQ(view().logOutput(), "Quarn Compiler Ready.\nNothing to record: there is no audio device.");
}

}  // namespace
}  // namespace quarn
