#pragma once
// Files for the command's tests: a folder of a test's own, and files read whole.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace quarn::test {

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Each test writes its scripts and renders into a folder of its own, removed afterwards.
class TestFolder : public testing::Test {
protected:
  TestFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quarn-test.XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
  }
  ~TestFolder() override { std::filesystem::remove_all(dir_); }

  std::string scriptFile(const std::string& name, const std::string& text) {
    auto path = dir_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }
  const std::filesystem::path& dir() const { return dir_; }

private:
  std::filesystem::path dir_;
};

}  // namespace quarn::test
