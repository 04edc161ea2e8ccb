#pragma once
// Files for the command's tests: a folder of a test's own, files read whole,
// and the case files of a folder under tests/scripts/.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quarn::test {

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

inline std::vector<std::filesystem::path> scriptsIn(const std::string& folder) {
  std::vector<std::filesystem::path> scripts;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(
           std::filesystem::path(QUARN_TEST_DATA_DIR) / "scripts" / folder, ec))
    if (entry.path().extension() == ".quarn") scripts.push_back(entry.path());
  std::sort(scripts.begin(), scripts.end());
  return scripts;
}

inline std::string caseName(const testing::TestParamInfo<std::filesystem::path>& info) {
  std::string name = info.param.stem().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
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
