// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text form of a 32-bit float shared by token printing and the sampler's log line.

#include <string>

namespace quarn {

// The shortest decimal text that reads back to the same float; integral values
// carry ".0" (110 -> "110.0", 100000 -> "100000.0"). Magnitudes below 1e-4 or
// beyond 1e16 may use exponent notation.
std::string formatFloat(float value);

}  // namespace quarn
