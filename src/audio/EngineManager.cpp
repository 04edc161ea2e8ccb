// The engine manager: the graph's render, the sampler's script-side calls,
// the output device and the script clock.
#include "audio/EngineManager.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

#include "audio/AudioDevice.h"
#include "audio/EngineLimits.h"
#include "audio/SamplePlayer.h"
#include "support/Diagnostics.h"
#include "support/FloatFormat.h"

namespace quarn {

struct EngineManager::Impl {
  Impl(std::filesystem::path dir, AudioOutput out)
      : resourcesDir(std::move(dir)), output(out), sampler(kEngineSampleRate) {}

  const std::filesystem::path resourcesDir;
  const AudioOutput output;
  SamplePlayer sampler;
  // Declared last so it is destroyed first: no pull runs once the sampler goes.
  std::unique_ptr<AudioDevice> device;
};

namespace {

void renderEngine(void* context, float* const* channels, int channelCount,
                  int frameCount) noexcept {
  static_cast<EngineManager*>(context)->render(channels, channelCount, frameCount);
}

}  // namespace

EngineManager::EngineManager(std::filesystem::path resourcesDir, AudioOutput output)
    : synth(std::make_shared<SynthWrapper>()),
      impl_(std::make_unique<Impl>(std::move(resourcesDir), output)) {
  synthSetSampleRate(synth->pointer, static_cast<float>(kEngineSampleRate));
}

EngineManager::~EngineManager() { impl_->device.reset(); }

bool EngineManager::hasDevice() const { return impl_->device != nullptr; }

void EngineManager::start() {
  synthSetPlaying(synth->pointer, false);
  if (impl_->output == AudioOutput::none || impl_->device) {
    return;
  }
  auto device = std::make_unique<AudioDevice>(&renderEngine, this);
  if (device->open()) {
    impl_->device = std::move(device);
  }
}

void EngineManager::setSamplerRate(float rate) {
  currentSampleRate.store(rate);
  impl_->sampler.setRate(rate);
  printLine("[VRKLog] Sampler rate set to " + formatFloat(rate));
}

void EngineManager::playSample(const std::string& name) {
  bool found = false;
  const std::filesystem::path file = findSampleFile(impl_->resourcesDir, name, &found);
  if (!found) {
    printLine("[VRKLog] Audio file could not be found: " + name + ".wav");
    return;
  }
  if (auto buffer = decodeSampleFile(file)) {
    impl_->sampler.play(std::move(buffer));
  }
}

void EngineManager::stopSampler() { impl_->sampler.stop(); }

void EngineManager::halt() {
  isRunning.store(false);
  synthSetPlaying(synth->pointer, false);
  stopSampler();
}

void EngineManager::wait(double seconds) {
  if (!(seconds > 0.0)) {
    return;  // NaN, zero and negative waits
  }
  const double capped = seconds < kMaxWaitSeconds ? seconds : kMaxWaitSeconds;
  std::this_thread::sleep_for(std::chrono::duration<double>(capped));
}

void EngineManager::render(float* const* channels, int channelCount, int frameCount) noexcept {
  if (channelCount < 1 || channels[0] == nullptr) {
    return;
  }
  synthRender(synth->pointer, channels[0], frameCount);
  if (channelCount > 1 && channels[1] != nullptr && frameCount > 0) {
    std::memcpy(channels[1], channels[0], sizeof(float) * static_cast<std::size_t>(frameCount));
  }
  // further channels are left as they are, like the voice leaves them
  impl_->sampler.renderAdd(channels, channelCount < kEngineChannels ? channelCount : kEngineChannels,
                           frameCount);
}

std::filesystem::path EngineManager::defaultResourcesDir() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) {
    return std::filesystem::path("..") / "share" / "quarn" / "samples";
  }
  return exe.parent_path().parent_path() / "share" / "quarn" / "samples";
}

}  // namespace quarn
