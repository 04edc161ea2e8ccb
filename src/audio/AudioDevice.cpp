// SPDX-License-Identifier: GPL-3.0-or-later
// The output device through the device module, loaded on the first open; the
// watcher that notices a lost stream, pulls silently meanwhile and reconnects.
#include "audio/AudioDevice.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <future>
#include <limits>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>

#include "audio/Clock.h"
#include "audio/InstallRoot.h"
#include "audio/DeviceModule.h"
#include "support/Diagnostics.h"

namespace quarn {
namespace {

using OpenFunction = void* (*)(RenderFunction, void*, int);
using IsLostFunction = bool (*)(void*);
using CloseFunction = void (*)(void*, bool);

struct DeviceModule {
  OpenFunction open = nullptr;
  IsLostFunction isLost = nullptr;
  CloseFunction close = nullptr;
};

// The module in the program's own module folder, the same in the build tree
// and when installed. Kept loaded for the life of the process.
DeviceModule loadDeviceModule() {
  void* module = dlopen((moduleDir() / kDeviceModuleName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return {};
  DeviceModule found{reinterpret_cast<OpenFunction>(dlsym(module, kDeviceOpenSymbol)),
                     reinterpret_cast<IsLostFunction>(dlsym(module, kDeviceIsLostSymbol)),
                     reinterpret_cast<CloseFunction>(dlsym(module, kDeviceCloseSymbol))};
  if (found.open == nullptr || found.isLost == nullptr || found.close == nullptr) return {};
  return found;
}

const DeviceModule& deviceModule() {
  static const DeviceModule module = loadDeviceModule();
  return module;
}

std::atomic<SoundSystem> chosenSystem{SoundSystem::automatic};

// Who may pull: a stream by its number, the watcher, or nobody any more.
constexpr std::uint64_t kWatcherPulls = 0;
constexpr std::uint64_t kNobodyPulls = std::numeric_limits<std::uint64_t>::max();

std::int64_t steadyNanos() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

struct AudioDevice::Link {
  RenderFunction render;
  void* context;
  std::atomic<std::uint64_t> puller{kWatcherPulls};
  std::atomic<bool> isPulling{false};         // a pull is inside render
  std::atomic<std::int64_t> lastPullNanos{0};  // the playing stream's latest pull
  std::atomic<bool> isPlaying{false};
  std::atomic<bool> drainsOnClose{false};

  std::mutex mutex;  // guards what follows
  std::condition_variable wake;
  bool isShutDown = false;
  bool isOpening = false;
  std::uint64_t lastStreamId = 0;
  struct Stream* opened = nullptr;  // opened by a reconnect, not yet taken on

  // Renders when `who` may pull and no other pull is inside render. The second
  // look at puller after taking the flag closes the race with handOver.
  bool pullAs(std::uint64_t who, float* const* channels, int channelCount, int frameCount) noexcept {
    if (puller.load() != who || isPulling.exchange(true)) return false;
    const bool mayPull = puller.load() == who;
    if (mayPull) render(context, channels, channelCount, frameCount);
    isPulling.store(false);
    return mayPull;
  }
  // From its return on, only `who` pulls.
  void handOver(std::uint64_t who) {
    puller.store(who);
    while (isPulling.load()) std::this_thread::yield();
  }
};

// One opened stream of the module; it keeps the link alive for as long as its
// thread may call in, which for a stream whose close hangs is for good.
struct Stream {
  std::shared_ptr<AudioDevice::Link> link;
  std::uint64_t id;
  void* handle = nullptr;
  std::chrono::steady_clock::time_point takenOn{};  // watcher only
};

namespace {

void pullThroughStream(void* context, float* const* channels, int channelCount, int frameCount) noexcept {
  auto* stream = static_cast<Stream*>(context);
  if (stream->link->pullAs(stream->id, channels, channelCount, frameCount)) {
    stream->link->lastPullNanos.store(steadyNanos());
    return;
  }
  for (int channel = 0; channel < channelCount; ++channel) {
    std::fill(channels[channel], channels[channel] + frameCount, 0.0f);
  }
}

// The first stream pulls from its first block, as nothing else pulls yet; a
// reconnected one once the watcher takes it on.
Stream* openStream(const std::shared_ptr<AudioDevice::Link>& link, bool pullsAtOnce) {
  const DeviceModule& module = deviceModule();
  if (module.open == nullptr) return nullptr;  // a missing module counts as a missing device
  std::uint64_t id = 0;
  {
    std::lock_guard<std::mutex> hold(link->mutex);
    id = ++link->lastStreamId;
  }
  auto* stream = new Stream{link, id};
  if (pullsAtOnce) link->puller.store(id);
  stream->handle = module.open(&pullThroughStream, stream, static_cast<int>(chosenSystem.load()));
  if (stream->handle == nullptr) {
    if (pullsAtOnce) link->handOver(kWatcherPulls);
    delete stream;
    return nullptr;
  }
  return stream;
}

// The close runs on a thread of its own; the caller waits for it at most `patience`.
std::atomic<bool> isCloseAbandoned{false};

void closeStream(Stream* stream, std::chrono::milliseconds patience) {
  if (stream == nullptr) return;
  auto closed = std::make_shared<std::promise<void>>();
  std::future<void> done = closed->get_future();
  try {
    std::thread([stream, closed] {
      deviceModule().close(stream->handle, stream->link->drainsOnClose.load());
      delete stream;
      closed->set_value();
    }).detach();
  } catch (const std::system_error&) {
    return;  // no thread for it: the stream is left open rather than risk a hang
  }
  if (done.wait_for(patience) != std::future_status::ready) isCloseAbandoned.store(true);
}

// A reconnect attempt on a thread of its own, as opening can hang like closing.
void startReopen(const std::shared_ptr<AudioDevice::Link>& link) {
  link->isOpening = true;
  try {
    std::thread([link] {
      Stream* stream = openStream(link, false);
      std::unique_lock<std::mutex> hold(link->mutex);
      link->isOpening = false;
      if (link->isShutDown) {
        hold.unlock();
        closeStream(stream, kDeviceCloseLimit);
        return;
      }
      link->opened = stream;
      link->wake.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    link->isOpening = false;
  }
}

// A new stream is allowed a longer pause: a sound server may hold its first
// blocks for a second before it asks for more.
bool isStreamLost(const AudioDevice::Link& link, const Stream& stream) {
  const auto silent = std::chrono::nanoseconds(steadyNanos() - link.lastPullNanos.load());
  const bool isNew = std::chrono::steady_clock::now() - stream.takenOn < kDeviceStartGrace;
  return deviceModule().isLost(stream.handle) || silent > (isNew ? kDeviceStartGrace : kDeviceSilenceLimit);
}

void takeOn(AudioDevice::Link& link, Stream* stream) {
  stream->takenOn = std::chrono::steady_clock::now();
  link.lastPullNanos.store(steadyNanos());
  link.handOver(stream->id);
  link.isPlaying.store(true);
}

// The watcher: looks at the playing stream; while there is none, pulls the
// render on the steady clock into a scratch block and tries to reconnect.
void watch(std::shared_ptr<AudioDevice::Link> link, Stream* playing) {
  std::array<float, kSilentPullFrames * 2> scratch{};
  float* const planes[2] = {scratch.data(), scratch.data() + kSilentPullFrames};
  const auto pullTime = std::chrono::nanoseconds(nanosFromFrames(kSilentPullFrames));
  auto nextPull = std::chrono::steady_clock::now();
  auto nextTry = nextPull;
  auto lastLook = nextPull;
  std::unique_lock<std::mutex> hold(link->mutex);
  while (!link->isShutDown) {
    const auto now = std::chrono::steady_clock::now();
    if (playing != nullptr) {
      // woken far later than asked, the watcher was held with the whole
      // process (stopped, suspended): the stream gets a fresh look, no verdict
      if (now - lastLook > kDeviceWatchInterval + kDeviceSilenceLimit / 2) link->lastPullNanos.store(steadyNanos());
      lastLook = now;
      if (isStreamLost(*link, *playing)) {
        link->isPlaying.store(false);
        link->handOver(kWatcherPulls);
        printLine(logLine(kDeviceLostMessage));
        hold.unlock();
        closeStream(playing, std::chrono::milliseconds(0));
        hold.lock();
        playing = nullptr;
        nextPull = now;
        nextTry = now + kDeviceRetryInterval;
        continue;
      }
      link->wake.wait_for(hold, kDeviceWatchInterval);
      continue;
    }
    if (link->opened != nullptr) {
      std::swap(playing, link->opened);
      takeOn(*link, playing);
      printLine(logLine(kDeviceBackMessage));
      continue;
    }
    if (now >= nextPull) {
      link->pullAs(kWatcherPulls, planes, 2, kSilentPullFrames);
      nextPull = std::max(nextPull + pullTime, now - pullTime);
    }
    if (now >= nextTry && !link->isOpening) {
      startReopen(link);
      nextTry = now + kDeviceRetryInterval;
    }
    link->wake.wait_until(hold, nextPull);
  }
  link->handOver(kNobodyPulls);
  link->isPlaying.store(false);
  Stream* waiting = std::exchange(link->opened, nullptr);
  hold.unlock();
  closeStream(playing, kDeviceCloseLimit);
  closeStream(waiting, std::chrono::milliseconds(0));
}

}  // namespace

void chooseSoundSystem(SoundSystem system) { chosenSystem.store(system); }

std::optional<SoundSystem> soundSystemNamed(std::string_view name) {
  if (name == "pulse") return SoundSystem::pulse;
  if (name == "alsa") return SoundSystem::alsa;
  if (name == "jack") return SoundSystem::jack;
  return std::nullopt;
}

AudioDevice::AudioDevice(RenderFunction render, void* context)
    : link_(std::make_shared<Link>()) {
  link_->render = render;
  link_->context = context;
}

AudioDevice::~AudioDevice() {
  if (!watcher_.joinable()) return;
  {
    std::lock_guard<std::mutex> hold(link_->mutex);
    link_->isShutDown = true;
  }
  link_->wake.notify_all();
  watcher_.join();
}

bool AudioDevice::open() {
  if (watcher_.joinable()) return true;  // already open
  Stream* stream = openStream(link_, true);
  if (stream == nullptr) return false;
  takeOn(*link_, stream);
  try {
    watcher_ = std::thread(&watch, link_, stream);
  } catch (const std::system_error&) {
    link_->handOver(kNobodyPulls);
    closeStream(stream, kDeviceCloseLimit);
    return false;
  }
  return true;
}

bool AudioDevice::isPlaying() const { return link_->isPlaying.load(); }

void AudioDevice::drainOnClose() { link_->drainsOnClose.store(true); }

bool deviceCloseAbandoned() { return isCloseAbandoned.load(); }

}  // namespace quarn
