// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/OfflineRenderer.h"

#include <algorithm>

#include "audio/EngineManager.h"
#include "audio/SoundFileWriter.h"

namespace quarn {

OfflineRenderer::OfflineRenderer(EngineManager& engine, SoundFileWriter& writer, Progress progress,
                                 const std::atomic<bool>* stop)
    : engine_(engine),
      writer_(writer),
      progress_(std::move(progress)),
      stop_(stop),
      left_(kOfflineBlockFrames),
      right_(kOfflineBlockFrames),
      interleaved_(2 * kOfflineBlockFrames) {}

bool OfflineRenderer::renderTo(std::int64_t frame, std::string& error) {
  float* const channels[kEngineChannels] = {left_.data(), right_.data()};
  while (framesDone_ < frame && !(stop_ != nullptr && stop_->load(std::memory_order_relaxed))) {
    const int count = static_cast<int>(std::min<std::int64_t>(kOfflineBlockFrames, frame - framesDone_));
    engine_.render(channels, kEngineChannels, count);
    for (int i = 0; i < count; ++i) {
      interleaved_[2 * i] = left_[i];
      interleaved_[2 * i + 1] = right_[i];
    }
    if (!writer_.write(interleaved_.data(), count, error)) return false;
    framesDone_ += count;
    if (progress_) progress_(framesDone_);
  }
  return true;
}

}  // namespace quarn
