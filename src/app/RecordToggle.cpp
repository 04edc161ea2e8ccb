// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecordToggle.h"

#include <QAction>
#include <QFileDialog>
#include <QKeySequence>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>

#include <cstdio>

#include "app/QtText.h"
#include "audio/EngineManager.h"

namespace quarn {
namespace {

namespace fs = std::filesystem;

const QString kRecordFilters[] = {"WAV audio (*.wav)", "FLAC audio (*.flac)"};

std::string secondsText(std::int64_t frames) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(frames) / kSampleRate);
  return text;
}

}  // namespace

std::string recordingTitle(std::int64_t frames, std::int64_t framesLost) {
  const std::int64_t seconds = frames / kSampleRate;
  char time[32];
  if (seconds >= 3600) {
    std::snprintf(time, sizeof time, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  } else {
    std::snprintf(time, sizeof time, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
  }
  std::string title = std::string(kRecordingTitle) + " " + time;
  if (framesLost > 0) title += ", " + std::string(kFramesLostTitle);
  return title;
}

fs::path defaultRecordFile(const QDateTime& moment) {
  const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
  const QString name = "Quarn " + moment.toString("yyyy-MM-dd HH-mm-ss") + ".wav";
  return fs::path(music.toStdString()) / name.toStdString();
}

std::string recordStartedText(const fs::path& file) { return "Recording to " + file.filename().string() + "…"; }

std::string recordNotStartedText(const fs::path& file, const std::string& reason) {
  return "Could not record to " + file.string() + ": " + reason + ". Choose another place or name.";
}

std::string recordEndedText(const RecordOutcome& outcome) {
  const std::string name = outcome.file.filename().string();
  const std::string kept = outcome.framesWritten == 0 ? "nothing was kept"
                                                       : "it keeps the first " + secondsText(outcome.framesWritten) + " s";
  std::string line = !outcome.error.empty()
                         ? "Recording stopped: " + name + " takes no more (" + outcome.error + "); " + kept
                     : outcome.framesWritten == 0
                         ? "Nothing was recorded: no sound was played, so " + name + " was not kept"
                         : "Recorded " + name + " (" + secondsText(outcome.framesWritten) + " s of audio)";
  if (outcome.framesLost > 0) {
    line += "; " + std::to_string(outcome.framesLost) + " frames were lost: the disk did not keep up";
  }
  return line + (outcome.error.empty() ? "." : ". Free some disk space or record to another place.");
}

std::optional<fs::path> chooseRecordFileByDialog(QWidget* parent, const fs::path& suggested) {
  QString filter = kRecordFilters[0];
  const QString filters = QStringList(std::begin(kRecordFilters), std::end(kRecordFilters)).join(";;");
  const QString name = QFileDialog::getSaveFileName(parent, "Record", pathText(suggested), filters, &filter);
  if (name.isEmpty()) return std::nullopt;
  fs::path file(name.toStdString());
  if (!file.has_extension()) file += filter == kRecordFilters[1] ? ".flac" : ".wav";
  return file;
}

RecordToggle::RecordToggle(std::shared_ptr<EngineManager> engine, QWidget* window, ChooseFile chooseFile, Say say)
    : QObject(window),
      engine_(std::move(engine)),
      window_(window),
      chooseFile_(std::move(chooseFile)),
      say_(std::move(say)),
      action_(new QAction("Re&cord", window)),
      timer_(new QTimer(this)) {
  action_->setCheckable(true);
  action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  connect(action_, &QAction::triggered, this, [this](bool checked) {
    if (checked) start(); else stop();
  });
  connect(timer_, &QTimer::timeout, this, &RecordToggle::check);
}

RecordToggle::~RecordToggle() { engine_->recorder().stop(); }

bool RecordToggle::isRecording() const { return timer_->isActive(); }

bool RecordToggle::start() {
  if (isRecording()) return false;
  action_->setChecked(false);  // until it records
  if (!engine_->hasRenderer()) {
    say_(std::string(kNothingToRecordText));
    return false;
  }
  const auto file = chooseFile_(window_, defaultRecordFile(QDateTime::currentDateTime()));
  if (!file) return false;
  std::string error;
  if (!engine_->recorder().start(*file, error)) {
    say_(recordNotStartedText(*file, error));
    return false;
  }
  say_(recordStartedText(*file));
  action_->setChecked(true);
  timer_->start(kRecordCheckInterval);
  check();
  return true;
}

void RecordToggle::stop() {
  if (!isRecording()) return;
  timer_->stop();
  action_->setChecked(false);
  say_(recordEndedText(engine_->recorder().stop()));
  titleText_.clear();
  emit changed();
}

// A file that takes no more ends the recording here, on the window's thread.
void RecordToggle::check() {
  const RecordProgress progress = engine_->recorder().progress();
  if (progress.hasFailed) {
    stop();
    return;
  }
  const QString text = toQString(recordingTitle(progress.framesTaken, progress.framesLost));
  if (text == titleText_) return;
  titleText_ = text;
  emit changed();
}

}  // namespace quarn
