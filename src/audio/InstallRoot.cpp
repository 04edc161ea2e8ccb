// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/InstallRoot.h"

namespace quarn {
namespace {

std::filesystem::path programDir() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path(".") : exe.parent_path();
}

}  // namespace

std::filesystem::path moduleDir() { return (programDir() / QUARN_MODULE_DIR_FROM_BIN).lexically_normal(); }

std::filesystem::path dataDir() { return (programDir() / QUARN_DATA_DIR_FROM_BIN).lexically_normal(); }

}  // namespace quarn
