#pragma once
// Where the running program is installed: the folder above its executable's
// (the build tree's top, or the install prefix), which holds share/ and lib/.
// Called from any thread.

#include <filesystem>

namespace quarn {

std::filesystem::path installRoot();

}  // namespace quarn
