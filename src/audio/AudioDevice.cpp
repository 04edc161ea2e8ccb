// The output device through the device module, loaded on the first open.
#include "audio/AudioDevice.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "audio/InstallRoot.h"
#include "device/DeviceModule.h"

namespace quarn {
namespace {

using OpenFunction = void* (*)(RenderFunction, void*);
using CloseFunction = void (*)(void*);

struct DeviceModule {
  OpenFunction open = nullptr;
  CloseFunction close = nullptr;
};

// The module in the program's own module folder, the same in the build tree
// and when installed. Kept loaded for the life of the process.
DeviceModule loadDeviceModule() {
  void* module = dlopen((moduleDir() / kDeviceModuleName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return {};
  DeviceModule found{reinterpret_cast<OpenFunction>(dlsym(module, kDeviceOpenSymbol)),
                     reinterpret_cast<CloseFunction>(dlsym(module, kDeviceCloseSymbol))};
  if (found.open == nullptr || found.close == nullptr) return {};
  return found;
}

const DeviceModule& deviceModule() {
  static const DeviceModule module = loadDeviceModule();
  return module;
}

}  // namespace

AudioDevice::AudioDevice(RenderFunction render, void* context) : render_(render), context_(context) {}

AudioDevice::~AudioDevice() {
  if (stream_ != nullptr) deviceModule().close(stream_);
}

// A missing module counts as a missing device: the system runs silent.
bool AudioDevice::open() {
  if (stream_ != nullptr) return true;
  const DeviceModule& module = deviceModule();
  if (module.open == nullptr) return false;
  stream_ = module.open(render_, context_);
  return stream_ != nullptr;
}

}  // namespace quarn
