#pragma once
// Text form of a 32-bit float shared by token printing and the sampler's log line.

#include <string>

namespace quarn {

// The shortest decimal text that reads back to the same float; integral values
// carry ".0" (110 -> "110.0"). Huge or tiny magnitudes may use exponent notation.
std::string formatFloat(float value);

}  // namespace quarn
