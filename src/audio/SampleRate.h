// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one sample rate: of the render, the device, the files written and read
// back, and the frames script threads count time in.

#include <cstdint>

namespace quarn {

inline constexpr std::int64_t kSampleRate = 44100;

}  // namespace quarn
