// SPDX-License-Identifier: GPL-3.0-or-later
// The output stream over RtAudio (ALSA or PulseAudio as the system offers),
// built as a module of its own: RtAudio and the sound-server libraries it
// pulls in are loaded only by a process that opens a device.
#include "audio/DeviceModule.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <rtaudio/RtAudio.h>

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "audio/EngineLimits.h"
#include "audio/EngineManager.h"  // the engine rate and channel count

namespace quarn {
namespace {

// ALSA prints its own complaints to stderr (e.g. when there is no card);
// a device-less start must stay quiet.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
void ignoreJackMessage(const char*) {}

class RtAudioStream;

// The stream whose callback runs on this thread: RtAudio reports a stream's
// errors on its callback thread, through a callback that is told no stream.
thread_local RtAudioStream* pullingStream = nullptr;

void noteStreamError(RtAudioError::Type, const std::string&);

// A lost stream's thread renders nothing more; until it is closed it naps
// between RtAudio's calls instead of spinning on a dead connection.
constexpr std::chrono::milliseconds kLostStreamNap{50};

// How long opening waits for the first pull to learn the render thread.
constexpr std::chrono::milliseconds kRenderThreadWait{500};

// The PulseAudio client library's event thread, which moves the blocks to the server.
constexpr std::string_view kPulseClientThreadName = "threaded-ml";

// This process's threads of that name.
std::vector<pid_t> threadsNamed(std::string_view name) {
  std::vector<pid_t> threads;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    std::string comm;
    std::getline(std::ifstream(task.path() / "comm"), comm);
    if (comm == name) {
      threads.push_back(static_cast<pid_t>(std::stol(task.path().filename().string())));
    }
  }
  return threads;
}

// A PulseAudio server is there to talk to: the client library's own address
// variable, or the per-user socket.
bool isPulseServerReachable() {
  if (const char* server = std::getenv("PULSE_SERVER"); server != nullptr && *server != '\0') {
    return true;
  }
  const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
  if (runtimeDir == nullptr || *runtimeDir == '\0') {
    return false;
  }
  std::error_code error;
  return std::filesystem::exists(std::filesystem::path(runtimeDir) / "pulse" / "native", error);
}

// One started stream pulling from the render function on RtAudio's thread.
class RtAudioStream {
public:
  RtAudioStream(RenderFunction render, void* context) : render_(render), context_(context) {}
  ~RtAudioStream();
  RtAudioStream(const RtAudioStream&) = delete;
  RtAudioStream& operator=(const RtAudioStream&) = delete;

  bool open(SoundSystem system);
  bool isLost() const { return isLost_.load(); }
  void drainOnClose() { drainsOnClose_ = true; }
  void markLost() { isLost_.store(true); }

private:
  static int callback(void* output, void* input, unsigned frameCount, double streamTime,
                      unsigned status, void* self);
  bool openWith(RtAudio::Api api);
  void raiseRenderPriority();

  RenderFunction render_;
  void* context_;
  std::unique_ptr<RtAudio> rtAudio_;
  pthread_t renderThread_{};  // written once by the render thread before the flag
  std::atomic<bool> hasRenderThread_{false};
  std::atomic<bool> isLost_{false};  // the connection failed
  bool drainsOnClose_ = false;
};

// An underrun (ALSA reports each one) is a late block, not a lost device.
void noteStreamError(RtAudioError::Type, const std::string& text) {
  if (pullingStream != nullptr && text.find("underrun") == std::string::npos) pullingStream->markLost();
}

RtAudioStream::~RtAudioStream() {
  if (!rtAudio_) {
    return;
  }
  try {
    if (rtAudio_->isStreamRunning()) {
      if (drainsOnClose_ && !isLost()) {
        rtAudio_->stopStream();
      } else {
        rtAudio_->abortStream();
      }
    }
    if (rtAudio_->isStreamOpen()) {
      rtAudio_->closeStream();
    }
  } catch (...) {
    // closing is best effort; the stream dies with the object anyway
  }
}

bool RtAudioStream::open(SoundSystem system) {
  snd_lib_error_set_handler(&ignoreAlsaError);
  switch (system) {
    case SoundSystem::pulse: return openWith(RtAudio::LINUX_PULSE);
    case SoundSystem::alsa: return openWith(RtAudio::LINUX_ALSA);
    case SoundSystem::jack:
      // the caller says in one line when there is no server; JACK's own lines would repeat it
      jack_set_error_function(&ignoreJackMessage);
      jack_set_info_function(&ignoreJackMessage);
      return openWith(RtAudio::UNIX_JACK);
    case SoundSystem::automatic: break;
  }
  // The sound server when one runs; otherwise ALSA directly. JACK is only
  // used when asked for: its client library reports a missing server on stderr.
  if (isPulseServerReachable() && openWith(RtAudio::LINUX_PULSE)) {
    return true;
  }
  return openWith(RtAudio::LINUX_ALSA);
}

bool RtAudioStream::openWith(RtAudio::Api api) {
  try {
    // Asking RtAudio for an API it was built without makes it complain on stderr.
    std::vector<RtAudio::Api> compiled;
    RtAudio::getCompiledApi(compiled);
    if (std::find(compiled.begin(), compiled.end(), api) == compiled.end()) {
      return false;
    }
    auto rtAudio = std::make_unique<RtAudio>(api);
    rtAudio->showWarnings(false);
    if (rtAudio->getCurrentApi() != api || rtAudio->getDeviceCount() == 0) {
      return false;
    }
    RtAudio::StreamParameters parameters;
    parameters.deviceId = rtAudio->getDefaultOutputDevice();
    parameters.nChannels = kEngineChannels;
    RtAudio::StreamOptions options;
    options.flags = RTAUDIO_NONINTERLEAVED;
    // Without a count the sound server buffers up to two seconds ahead, which
    // would make every change in a script heard that much later.
    options.numberOfBuffers = kDeviceBufferCount;
    options.streamName = "Quarn Workbench";
    unsigned bufferFrames = kDeviceBufferFrames;
    rtAudio->openStream(&parameters, nullptr, RTAUDIO_FLOAT32,
                        static_cast<unsigned>(kSampleRate), &bufferFrames,
                        &RtAudioStream::callback, this, &options, &noteStreamError);
    rtAudio->startStream();
    rtAudio_ = std::move(rtAudio);
    raiseRenderPriority();
    return true;
  } catch (...) {
    return false;
  }
}

// A busy machine must not starve the render, or the server plays silence and
// every later sound comes late: the render thread, and the sound server
// client's own event thread that carries its blocks, get real-time scheduling
// where the system allows it. The calls are made from here, not on the render
// thread, which only tells who it is; without the right nothing changes.
void RtAudioStream::raiseRenderPriority() {
  const auto giveUp = std::chrono::steady_clock::now() + kRenderThreadWait;
  while (!hasRenderThread_.load() && std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  sched_param parameters{};
  parameters.sched_priority = kDeviceThreadPriority;
  if (hasRenderThread_.load()) {
    pthread_setschedparam(renderThread_, SCHED_RR, &parameters);
  }
  for (pid_t thread : threadsNamed(kPulseClientThreadName)) {
    sched_setscheduler(thread, SCHED_RR, &parameters);
  }
}

// Device audio thread: hands the two channel planes to the render function.
// Once the stream is lost the thread leaves real-time scheduling and naps.
int RtAudioStream::callback(void* output, void*, unsigned frameCount, double, unsigned,
                            void* self) {
  auto* stream = static_cast<RtAudioStream*>(self);
  pullingStream = stream;
  float* planes = static_cast<float*>(output);
  if (stream->isLost_.load(std::memory_order_relaxed)) {
    std::fill(planes, planes + std::size_t{frameCount} * kEngineChannels, 0.0f);
    sched_param ordinary{};
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &ordinary);
    std::this_thread::sleep_for(kLostStreamNap);
    return 0;
  }
  if (!stream->hasRenderThread_.load(std::memory_order_relaxed)) {
    stream->renderThread_ = pthread_self();
    stream->hasRenderThread_.store(true, std::memory_order_release);
  }
  float* const channels[kEngineChannels] = {planes, planes + frameCount};
  stream->render_(stream->context_, channels, kEngineChannels, static_cast<int>(frameCount));
  return 0;
}

}  // namespace

}  // namespace quarn

extern "C" void* quarnDeviceOpen(quarn::RenderFunction render, void* context, int soundSystem) {
  try {
    auto stream = std::make_unique<quarn::RtAudioStream>(render, context);
    return stream->open(static_cast<quarn::SoundSystem>(soundSystem)) ? stream.release() : nullptr;
  } catch (...) {
    return nullptr;
  }
}

extern "C" bool quarnDeviceIsLost(void* stream) { return static_cast<quarn::RtAudioStream*>(stream)->isLost(); }

extern "C" void quarnDeviceClose(void* stream, bool drain) {
  auto* rtAudioStream = static_cast<quarn::RtAudioStream*>(stream);
  if (drain) rtAudioStream->drainOnClose();
  delete rtAudioStream;
}
