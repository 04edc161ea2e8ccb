// First cut: the voice through the graph's render; the sampler follows.
#include "audio/EngineManager.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "support/Diagnostics.h"
#include "support/FloatFormat.h"

namespace quarn {

struct EngineManager::Impl {
  std::filesystem::path resourcesDir;
  AudioOutput output;
};

EngineManager::EngineManager(std::filesystem::path resourcesDir, AudioOutput output)
    : synth(std::make_shared<SynthWrapper>()),
      impl_(std::make_unique<Impl>(Impl{std::move(resourcesDir), output})) {
  synthSetSampleRate(synth->pointer, static_cast<float>(kEngineSampleRate));
}

EngineManager::~EngineManager() = default;

void EngineManager::start() { synthSetPlaying(synth->pointer, false); }

void EngineManager::setSamplerRate(float rate) {
  currentSampleRate.store(rate);
  printLine("[VRKLog] Sampler rate set to " + formatFloat(rate));
}

void EngineManager::playSample(const std::string& name) {
  printLine("[VRKLog] Audio file could not be found: " + name + ".wav");
}

void EngineManager::stopSampler() {}

void EngineManager::wait(double seconds) {
  if (!(seconds > 0.0)) {
    return;
  }
  std::this_thread::sleep_for(std::chrono::duration<double>(std::fmin(seconds, 86400.0)));
}

void EngineManager::render(float* const* channels, int channelCount, int frameCount) noexcept {
  if (channelCount < 1 || channels[0] == nullptr) {
    return;
  }
  synthRender(synth->pointer, channels[0], frameCount);
  if (channelCount > 1 && channels[1] != nullptr && frameCount > 0) {
    std::memcpy(channels[1], channels[0], sizeof(float) * static_cast<std::size_t>(frameCount));
  }
}

std::filesystem::path EngineManager::defaultResourcesDir() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return exe.parent_path().parent_path() / "share" / "quarn" / "samples";
}

}  // namespace quarn
