// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one line an allocation failure gives. std::bad_alloc is caught only where
// work enters the system (the subcommands, a run's jobs, the window's compile and
// run): by then the failed work has unwound and freed what it built, so the line
// itself can be made.

#include <string>
#include <string_view>

namespace quarn {

// "quarn: out of memory while " + activity, e.g. "compiling the script".
inline std::string outOfMemoryLine(std::string_view activity) {
  return "quarn: out of memory while " + std::string(activity);
}

}  // namespace quarn
