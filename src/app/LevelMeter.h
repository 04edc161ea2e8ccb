// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The output's level meter beside the buttons: a thin bar of the loudest
// sample of the last moments, falling back slowly, and a clip mark that lights
// for a while whenever the sum would have passed full scale (the limiter then
// bent it). It reads the engine's peak on a timer only while it is shown, and
// the engine measures only while someone watches: hidden, it costs nothing.
//
// Threads: main thread only.

#include <memory>

#include <QTimer>
#include <QWidget>

namespace quarn {

class EngineManager;

// The meter's width, how often it looks, how fast the bar falls (full scale per
// second) and how long the clip mark stays lit.
inline constexpr int kMeterWidth = 10;
inline constexpr int kMeterIntervalMilliseconds = 33;
inline constexpr float kMeterFallPerSecond = 1.5f;
inline constexpr int kClipHoldMilliseconds = 1500;

class LevelMeter : public QWidget {
  Q_OBJECT

public:
  explicit LevelMeter(QWidget* parent = nullptr);
  ~LevelMeter() override;

  void watch(std::shared_ptr<EngineManager> engine);
  float shownLevel() const { return level_; }
  bool isClipMarkLit() const { return clipHold_ > 0; }
  // One look at the engine's peak, as the timer takes it.
  void look();

protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

private:
  void setWatching(bool isWatching);

  std::shared_ptr<EngineManager> engine_;
  QTimer timer_;
  float level_ = 0.0f;
  int clipHold_ = 0;  // milliseconds the clip mark stays lit
};

}  // namespace quarn
