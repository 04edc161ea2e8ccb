#include "audio/InstallRoot.h"

namespace quarn {

std::filesystem::path installRoot() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path("..") : exe.parent_path().parent_path();
}

}  // namespace quarn
