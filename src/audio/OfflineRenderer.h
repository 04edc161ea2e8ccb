// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pulls an engine's audio as fast as it can be computed and writes it to a
// sound file, block by block: the offline stand-in for the output device.
//
// Threads: one thread, which is then the engine's render thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quarn {

class EngineManager;
class SoundFileWriter;

// Frames pulled from the engine at a time.
inline constexpr int kOfflineBlockFrames = 4096;

class OfflineRenderer {
public:
  using Progress = std::function<void(std::int64_t framesDone)>;
  // A set `stop` (a halt) ends any renderTo at the next block.
  OfflineRenderer(EngineManager& engine, SoundFileWriter& writer, Progress progress = {},
                  const std::atomic<bool>* stop = nullptr);

  // Renders and writes every frame before `frame`, or up to a stop; false
  // (with error) when the file cannot take them.
  bool renderTo(std::int64_t frame, std::string& error);
  std::int64_t framesDone() const { return framesDone_; }

private:
  EngineManager& engine_;
  SoundFileWriter& writer_;
  const Progress progress_;
  const std::atomic<bool>* const stop_;
  std::int64_t framesDone_ = 0;
  std::vector<float> left_, right_, interleaved_;
};

}  // namespace quarn
