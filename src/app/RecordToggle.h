// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's Record toggle: a checkable action (a menu entry with a shortcut)
// that records what the device plays to a file chosen on start (the engine's
// Recorder does the work) and stops it again. While it records, the title says
// so and for how long; the file ends with one console line, whether stopped by
// the user, by the window closing or by a file that takes no more (a full disk).
// Threads: main thread only.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QDateTime>
#include <QObject>
#include <QString>

#include "audio/Recorder.h"

class QAction;
class QTimer;
class QWidget;

namespace quarn {

class EngineManager;

inline constexpr std::string_view kRecordingTitle = "recording";
inline constexpr std::string_view kFramesLostTitle = "frames lost";
inline constexpr std::string_view kNothingToRecordText = "Nothing to record: there is no audio device.";
// How often the title's time and the file's health are looked at.
inline constexpr std::chrono::milliseconds kRecordCheckInterval{250};

// "recording 1:05", with a note once blocks were lost.
std::string recordingTitle(std::int64_t frames, std::int64_t framesLost);
// In the user's Music folder, named with the moment: "Quarn 2026-12-08 17-05-12.wav".
std::filesystem::path defaultRecordFile(const QDateTime& moment);
std::string recordStartedText(const std::filesystem::path& file);
std::string recordNotStartedText(const std::filesystem::path& file, const std::string& reason);
// The line that ends a recording: its length, what was lost, why it ended early.
std::string recordEndedText(const RecordOutcome& outcome);

// The save dialog for a recording: WAV or FLAC.
std::optional<std::filesystem::path> chooseRecordFileByDialog(QWidget* parent,
                                                              const std::filesystem::path& suggested);

class RecordToggle : public QObject {
  Q_OBJECT

public:
  using ChooseFile =
      std::function<std::optional<std::filesystem::path>(QWidget* parent, const std::filesystem::path& suggested)>;
  using Say = std::function<void(const std::string& line)>;

  // window: the dialog's parent and the action's owner.
  RecordToggle(std::shared_ptr<EngineManager> engine, QWidget* window, ChooseFile chooseFile, Say say);
  ~RecordToggle() override;  // a recording still going ends quietly, its file finished

  QAction* action() const { return action_; }
  bool isRecording() const;
  // Asks for the file and starts; false when cancelled or refused (said on the console).
  bool start();
  // Ends the file with its console line; nothing when not recording.
  void stop();
  // What the title adds while recording; empty otherwise.
  QString titleText() const { return titleText_; }

signals:
  // Started, stopped, or the title's text moved on.
  void changed();

private:
  void check();

  const std::shared_ptr<EngineManager> engine_;
  QWidget* const window_;
  const ChooseFile chooseFile_;
  const Say say_;
  QAction* action_;
  QTimer* timer_;
  QString titleText_;
};

}  // namespace quarn
