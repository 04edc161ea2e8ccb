// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether the window can open at all. Qt aborts the process when it finds no
// display, so the entry point asks first and explains how to run headless.
// Called from any thread; reads only the given environment.

#include <functional>
#include <string_view>

namespace quarn {

inline constexpr std::string_view kNoDisplayMessage =
    "quarn: no display found. To run a script without the window, use: quarn run FILE";
inline constexpr int kNoDisplayExitStatus = 2;

// The value of an environment variable, or null when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// True when QT_QPA_PLATFORM chooses a platform (the user knows best), or when an
// X11 or Wayland display is named. Empty values count as unset.
bool displayAvailable(const EnvironmentLookup& lookup);
// The same for the process environment.
bool displayAvailable();

// Prints kNoDisplayMessage to standard error; returns kNoDisplayExitStatus.
int reportNoDisplay();

}  // namespace quarn
