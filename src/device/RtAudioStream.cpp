// The output stream over RtAudio (ALSA or PulseAudio as the system offers),
// built as a module of its own: RtAudio and the sound-server libraries it
// pulls in are loaded only by a process that opens a device.
#include "device/DeviceModule.h"

#include <alsa/asoundlib.h>
#include <rtaudio/RtAudio.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/EngineLimits.h"
#include "audio/EngineManager.h"  // the engine rate and channel count

namespace quarn {
namespace {

// ALSA prints its own complaints to stderr (e.g. when there is no card);
// a device-less start must stay quiet.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void ignoreRtAudioError(RtAudioError::Type, const std::string&) {}

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

  bool open();

private:
  static int callback(void* output, void* input, unsigned frameCount, double streamTime,
                      unsigned status, void* self);
  bool openWith(RtAudio::Api api);

  RenderFunction render_;
  void* context_;
  std::unique_ptr<RtAudio> rtAudio_;
};

RtAudioStream::~RtAudioStream() {
  if (!rtAudio_) {
    return;
  }
  try {
    if (rtAudio_->isStreamRunning()) {
      rtAudio_->stopStream();
    }
    if (rtAudio_->isStreamOpen()) {
      rtAudio_->closeStream();
    }
  } catch (...) {
    // closing is best effort; the stream dies with the object anyway
  }
}

bool RtAudioStream::open() {
  snd_lib_error_set_handler(&ignoreAlsaError);
  // The sound server when one runs; otherwise ALSA directly. JACK is left out
  // of the search because its client library reports a missing server on stderr.
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
                        static_cast<unsigned>(kEngineSampleRate), &bufferFrames,
                        &RtAudioStream::callback, this, &options, &ignoreRtAudioError);
    rtAudio->startStream();
    rtAudio_ = std::move(rtAudio);
    return true;
  } catch (...) {
    return false;
  }
}

// Device audio thread: hands the two channel planes to the render function.
int RtAudioStream::callback(void* output, void*, unsigned frameCount, double, unsigned,
                            void* self) {
  auto* stream = static_cast<RtAudioStream*>(self);
  float* planes = static_cast<float*>(output);
  float* const channels[kEngineChannels] = {planes, planes + frameCount};
  stream->render_(stream->context_, channels, kEngineChannels, static_cast<int>(frameCount));
  return 0;
}

}  // namespace

}  // namespace quarn

extern "C" void* quarnDeviceOpen(quarn::RenderFunction render, void* context) {
  try {
    auto stream = std::make_unique<quarn::RtAudioStream>(render, context);
    return stream->open() ? stream.release() : nullptr;
  } catch (...) {
    return nullptr;
  }
}

extern "C" void quarnDeviceClose(void* stream) { delete static_cast<quarn::RtAudioStream*>(stream); }
