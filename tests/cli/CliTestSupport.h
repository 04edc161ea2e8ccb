#pragma once
// Shared pieces of the command-line tests.
#include <filesystem>
#include <fstream>
#include <string>

namespace quarn {

// Writes text to a file of that name in the temporary folder and returns its path.
inline std::string scriptFile(const std::string& name, const std::string& text) {
  auto path = std::filesystem::temp_directory_path() / ("quarn_cli_" + name);
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}

}  // namespace quarn
