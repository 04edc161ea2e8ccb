// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command's tests: a folder of a test's own, files read whole, the case
// files of a folder under tests/scripts/, and the quarn binary in a child process.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

inline std::vector<std::filesystem::path> scriptsIn(const std::vector<std::string>& folders) {
  std::vector<std::filesystem::path> scripts;
  std::error_code ec;
  for (const std::string& folder : folders)
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(QUARN_TEST_DATA_DIR) / "scripts" / folder, ec))
      if (entry.path().extension() == ".quarn") scripts.push_back(entry.path());
  std::sort(scripts.begin(), scripts.end());
  return scripts;
}

// FOLDER_NAME, in the characters a test's name may hold.
inline std::string caseName(const testing::TestParamInfo<std::filesystem::path>& info) {
  std::string name = info.param.parent_path().filename().string() + "_" + info.param.stem().string();
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

struct Outcome {
  int status = 0;  // -1 when ended by a signal
  int signal = 0;
  std::string out, err;
};

inline std::string readAndClose(int fd) {
  std::string text = readFile("/dev/fd/" + std::to_string(fd));
  close(fd);
  return text;
}

// Runs the quarn binary without a display, its address space limited (0: no
// limit), its standard output a pipe nobody reads when `closedStdout`.
inline Outcome runQuarn(const std::vector<std::string>& args, rlim_t addressSpace = 0, bool closedStdout = false) {
  int errPipe[2], outPipe[2];
  EXPECT_EQ(pipe(errPipe) | pipe(outPipe), 0);
  std::vector<char*> argv{const_cast<char*>("quarn")};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) unsetenv(name);
  const std::string binary = QUARN_BINARY_DIR "/bin/quarn";
  const pid_t pid = fork();
  if (pid == 0) {  // only async-signal-safe calls until exec
    const rlimit limit{addressSpace, addressSpace};
    if (addressSpace != 0) setrlimit(RLIMIT_AS, &limit);
    dup2(errPipe[1], STDERR_FILENO);
    dup2(outPipe[1], STDOUT_FILENO);
    close(errPipe[0]);
    close(outPipe[0]);
    execv(binary.c_str(), argv.data());
    _exit(127);
  }
  close(errPipe[1]);
  close(outPipe[1]);
  Outcome o;
  if (closedStdout) close(outPipe[0]);     // the reader is gone before the child writes
  else o.out = readAndClose(outPipe[0]);  // lines on standard error stay within the pipe's buffer
  o.err = readAndClose(errPipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (WIFSIGNALED(status)) o.signal = WTERMSIG(status);
  return o;
}

}  // namespace quarn::test
