#pragma once
// The two entry points of the output-device module (libquarn_device.so), which
// the audio library loads on first use. C linkage so they are found by name.
//   quarnDeviceOpen: a started stream pulling from render, or null when no
//     device could be opened (the system then runs silent).
//   quarnDeviceClose: stops and frees a stream; no pull runs after it returns.

#include "audio/AudioDevice.h"

extern "C" {
void* quarnDeviceOpen(quarn::RenderFunction render, void* context);
void quarnDeviceClose(void* stream);
}

namespace quarn {

inline constexpr const char* kDeviceModuleName = "libquarn_device.so";
inline constexpr const char* kDeviceOpenSymbol = "quarnDeviceOpen";
inline constexpr const char* kDeviceCloseSymbol = "quarnDeviceClose";

}  // namespace quarn
