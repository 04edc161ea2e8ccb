// SPDX-License-Identifier: GPL-3.0-or-later
// The level meter: a bar from the bottom, green, yellow above the limiter's
// threshold, and the clip mark on top.
#include "app/LevelMeter.h"

#include <algorithm>

#include <QPainter>

#include "audio/EngineManager.h"
#include "audio/OutputStage.h"

namespace quarn {
namespace {

constexpr int kClipMarkHeight = 6;

}  // namespace

LevelMeter::LevelMeter(QWidget* parent) : QWidget(parent) {
  setObjectName("levelMeter");
  setFixedWidth(kMeterWidth);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  timer_.setInterval(kMeterIntervalMilliseconds);
  connect(&timer_, &QTimer::timeout, this, &LevelMeter::look);
}

LevelMeter::~LevelMeter() { setWatching(false); }

void LevelMeter::watch(std::shared_ptr<EngineManager> engine) {
  setWatching(false);
  engine_ = std::move(engine);
  setWatching(isVisible());
}

void LevelMeter::setWatching(bool isWatching) {
  if (engine_) {
    engine_->watchOutput(isWatching);
  }
  if (isWatching) {
    timer_.start();
  } else {
    timer_.stop();
  }
}

void LevelMeter::look() {
  const float peak = engine_ ? engine_->takeOutputPeak() : 0.0f;
  const float fallen = level_ - kMeterFallPerSecond * kMeterIntervalMilliseconds / 1000.0f;
  level_ = std::clamp(std::max(peak, fallen), 0.0f, 1.0f);
  clipHold_ = peak >= 1.0f ? kClipHoldMilliseconds : std::max(0, clipHold_ - kMeterIntervalMilliseconds);
  update();
}

void LevelMeter::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(40, 40, 40));
  const int barSpace = height() - kClipMarkHeight - 1;
  const int bar = static_cast<int>(level_ * static_cast<float>(barSpace));
  const QColor colour = level_ > kLimiterThreshold ? QColor(255, 204, 0) : QColor(52, 199, 89);
  painter.fillRect(0, height() - bar, width(), bar, colour);
  painter.fillRect(0, 0, width(), kClipMarkHeight, clipHold_ > 0 ? QColor(255, 59, 48) : QColor(70, 70, 70));
}

void LevelMeter::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  setWatching(true);
}

void LevelMeter::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  setWatching(false);
}

}  // namespace quarn
