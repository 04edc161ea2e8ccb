// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DisplayCheck.h"

#include <cstdio>
#include <cstdlib>

namespace quarn {
namespace {

bool isSet(const EnvironmentLookup& lookup, const char* name) {
  const char* value = lookup(name);
  return value != nullptr && value[0] != '\0';
}

}  // namespace

bool displayAvailable(const EnvironmentLookup& lookup) {
  return isSet(lookup, "QT_QPA_PLATFORM") || isSet(lookup, "DISPLAY") || isSet(lookup, "WAYLAND_DISPLAY");
}

bool displayAvailable() {
  return displayAvailable([](const char* name) -> const char* { return std::getenv(name); });
}

int reportNoDisplay() {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(kNoDisplayMessage.size()), kNoDisplayMessage.data());
  return kNoDisplayExitStatus;
}

}  // namespace quarn
