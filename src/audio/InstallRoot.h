// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the running program is installed, found from its executable's folder so
// that the build tree, an installed tree and a moved one all work.
// Called from any thread.

#include <filesystem>

namespace quarn {

// The folder of the device module (lib/quarn, or the packager's library folder).
std::filesystem::path moduleDir();

// The program's own data (share/quarn): the bundled sounds.
std::filesystem::path dataDir();

}  // namespace quarn
