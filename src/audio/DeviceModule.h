// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The entry points of the output-device module (libquarn_device.so), which
// the audio library loads on first use. C linkage so they are found by name.
//   quarnDeviceOpen: a started stream pulling from render through the given
//     SoundSystem, or null when no device could be opened (the system then
//     runs silent).
//   quarnDeviceIsLost: the stream's connection failed (the sound server went
//     away); it pulls no more and waits to be closed.
//   quarnDeviceClose: stops and frees a stream; no pull runs after it returns.
//     With drain the sound server first plays what it holds, else that is
//     dropped. It may hang on a frozen sound server: callers bound their wait.

#include "audio/AudioDevice.h"

extern "C" {
void* quarnDeviceOpen(quarn::RenderFunction render, void* context, int soundSystem);
bool quarnDeviceIsLost(void* stream);
void quarnDeviceClose(void* stream, bool drain);
}

namespace quarn {

inline constexpr const char* kDeviceModuleName = "libquarn_device.so";
inline constexpr const char* kDeviceOpenSymbol = "quarnDeviceOpen";
inline constexpr const char* kDeviceIsLostSymbol = "quarnDeviceIsLost";
inline constexpr const char* kDeviceCloseSymbol = "quarnDeviceClose";

}  // namespace quarn
